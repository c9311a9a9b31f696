#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QVBoxLayout;
class TradeMark;
class WindowStyle;

// The watermark's options: its image, shown or hidden, movable or click-through, resizable, and
// its opacity. Nothing of it is kept across runs.
class TradeMarkMenu : public QDialog {
    Q_OBJECT
public:
    TradeMarkMenu(WindowStyle& window_style, QWidget* parent);
    ~TradeMarkMenu() override;

    TradeMark* trade_mark() const { return m_trade_mark; }
    // What went wrong last, shown under the controls; empty when all went well.
    QString hint() const;
    // The image chooser; replaced by tests.
    void set_image_chooser(std::function<QString(QWidget*)> chooser) { m_chooser = chooser; }

public slots:
    void slot_checkbox_lock_position_toggled(bool checked);
    void slot_checkbox_visibility_toggled(bool checked);
    void slot_checkbox_resize_toggled(bool checked);
    void slot_button_select_image_clicked();

private:
    void set_click_through(bool on);
    void show_hint(const QString& text);

    QCheckBox* m_checkbox_lock_position;
    QCheckBox* m_checkbox_visibility;
    QCheckBox* m_checkbox_resize;
    QVBoxLayout* m_layout;
    QLabel* m_label;
    QSlider* m_slider;
    QPushButton* m_button_select_image;
    WindowStyle& m_window_style;
    TradeMark* m_trade_mark;
    QLabel* m_hint;
    std::function<QString(QWidget*)> m_chooser;
};
