#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <QString>

class GripResizer;
class QLabel;
class QVBoxLayout;

// The watermark: an image in a small frameless window above all others. Movable by dragging
// while not click-through; with resizing on, the image stretches to the window.
class TradeMark : public QDialog {
    Q_OBJECT
public:
    // Larger images would take gigabytes to decode; they are refused.
    static constexpr qint64 max_pixels = 64LL * 1000 * 1000;

    TradeMark();

    // Shows the image at path stretched to the window. False with a reason when it cannot be
    // read; the image shown before stays.
    bool set_image(const QString& path, QString* error = nullptr);
    QString image_path() const { return m_image_path; }
    bool has_image() const { return !m_image.isNull(); }
    QPixmap shown_pixmap() const;

    void set_movable(bool movable) { m_movable = movable; }
    bool movable() const { return m_movable; }
    void set_resizable(bool resizable) { m_resizable = resizable; }
    bool resizable() const { return m_resizable; }
    // The size grip in the corner, resizing the window itself.
    void set_grip_enabled(bool enabled);

signals:
    void signal_clicked();

public slots:
    void slot_set_transparency(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void show_scaled();

    QVBoxLayout* m_layout;
    QLabel* m_label;
    GripResizer* m_grip_resizer;
    bool m_movable = false;
    bool m_dragging = false;
    bool m_resizable = false;
    bool m_sized_by_image = false;
    QPoint m_press_offset;
    QPoint m_position;
    QPoint m_press_position;
    QString m_image_path;
    // The image as read, kept so that stretching never needs the file again.
    QPixmap m_image;
};
