#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPoint>

class QLabel;
class ScreenCapture;
class QVBoxLayout;

// Zoom with pen: a frozen picture of the primary screen, full screen, to draw on in red while
// the magnifier enlarges it. The right button wipes the strokes; Escape ends.
class Zoom : public QDialog {
    Q_OBJECT
public:
    explicit Zoom(ScreenCapture& capture, QWidget* parent = nullptr);

    // Photographs the primary screen again and shows it clean.
    void grab_screen();
    // Shows a fresh picture magnified by factor around the pointer; finish() ends it.
    void start(float factor);
    void finish();

    QPixmap picture() const;
    const QPixmap& clean_picture() const { return m_clean_pixmap; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap photograph_primary_screen();

    ScreenCapture& m_capture;
    QVBoxLayout* m_layout;
    QLabel* m_label;
    bool m_drawing = false;
    QPixmap m_pixmap;
    QPixmap m_clean_pixmap;
    QPoint m_previous_point;
    QPoint m_current_point;
};
