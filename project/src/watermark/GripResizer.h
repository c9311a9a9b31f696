#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>

class QWidget;

// Resizes a window from its size grip itself. QSizeGrip hands the drag to the window manager,
// which never manages a tool-tip window such as the watermark, so there the grip did nothing.
class GripResizer : public QObject {
    Q_OBJECT
public:
    explicit GripResizer(QWidget* window);

    // Takes over the mouse of the window's current QSizeGrip, if it has one.
    void attach();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QPointer<QObject> m_grip;
    bool m_resizing = false;
    QPoint m_press_global;
    QSize m_press_size;
};
