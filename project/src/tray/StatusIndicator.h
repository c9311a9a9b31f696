#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QRect>

class QLabel;
class QVBoxLayout;
class WindowStyle;

// A small always-on-top square with the count of entries left to paste over the running or
// paused icon. A click opens the history popup; it can be dragged, made click-through, hidden
// and made more or less transparent.
class StatusIndicator : public QDialog {
    Q_OBJECT
public:
    static constexpr int side = 50;

    explicit StatusIndicator(WindowStyle& window_style);
    ~StatusIndicator() override;

    void set_counter(int n);
    QString counter_text() const;
    void move_to(int x, int y);
    QPoint position() const { return m_position; }
    void toggle_visibility();
    void toggle_clickthrough();
    bool is_shown_flag() const { return m_visible; }
    bool drag_enabled() const { return m_drag_enabled; }
    bool background_paused() const { return m_paused_background; }

    // Where a square of the indicator's side placed at `wanted` should go so that the user can
    // reach it on one of `screens`: unchanged when it lies fully on one, else pulled onto the
    // nearest screen.
    static QPoint reachable_position(const QPoint& wanted, const QList<QRect>& screens);

signals:
    void clicked();

public slots:
    void set_transparency(int percent);
    void set_background_normal();
    void set_background_paused();
    // Brings the indicator back onto a screen when its place is no longer on one.
    void ensure_on_screen();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void set_background(bool paused);

    WindowStyle& m_window_style;
    QDialog* m_owner; // never shown: keeps the indicator off the task bar
    bool m_visible = true;
    bool m_drag_enabled = true;
    bool m_pressed = false;
    QPoint m_press_offset;
    QPoint m_position{50, 50};
    QPoint m_press_position;
    bool m_paused_background = false;
    QVBoxLayout* m_layout;
    QLabel* m_label;
};
