#pragma once

#include <QColor>
#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

// The small floating bar beside a selected area: rectangle, undo, colour and close.
class PrintScreenToolBox : public QDialog {
    Q_OBJECT
public:
    explicit PrintScreenToolBox(QWidget* parent = nullptr);

    void set_color(const QString& name);
    QColor color() const { return m_color; }

    QPushButton* button_rectangle() const { return m_button_rectangle; }
    QPushButton* button_undo() const { return m_button_undo; }
    QPushButton* button_color_picker() const { return m_button_color_picker; }
    QPushButton* button_exit() const { return m_button_exit; }

signals:
    void signal_button_rectangle_clicked();
    void signal_button_undo_clicked();
    void signal_button_color_picker_clicked();
    void signal_button_exit_clicked();

public slots:
    void slot_button_color_picker_clicked();
    void slot_button_rectangle_clicked();
    void slot_button_undo_clicked();
    void slot_button_exit_clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* make_button(const QString& icon, const QString& tip);

    QHBoxLayout* m_layout;
    QPushButton* m_button_rectangle;
    QPushButton* m_button_undo;
    QPushButton* m_button_color_picker;
    QPushButton* m_button_exit;
    QLabel* m_tip;
    QColor m_color = Qt::red;
};
