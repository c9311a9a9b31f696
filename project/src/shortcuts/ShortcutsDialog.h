#pragma once

#include <QDialog>
#include <QStringList>

class App;

// Holds the key sequence of every global shortcut; the dialog to change them is built on this.
class ShortcutsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int row_count = 18;

    explicit ShortcutsDialog(App* app);

    static QString label(int row);
    static QString default_sequence(int row);

    QString sequence(int row) const { return m_sequences.value(row); }
    void set_sequence(int row, const QString& sequence);

private:
    App* m_app;
    QStringList m_sequences;
};
