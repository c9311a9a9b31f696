#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QVBoxLayout;
class ShortcutsDialog;

// The help window: the main key combinations with the sequences set now. Built per showing and
// freed when closed.
class HelperDialog : public QDialog {
    Q_OBJECT
public:
    explicit HelperDialog(QWidget* parent);

    void set_text(const QString& html);
    QString text() const;

    // The help page for the sequences the shortcut dialog holds.
    static QString help_page(const ShortcutsDialog& shortcuts);

public slots:
    void slot_button_ok_clicked();

private:
    QLabel* m_label;
    QPushButton* m_button_ok;
    QVBoxLayout* m_layout;
};
