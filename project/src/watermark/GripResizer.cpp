#include "watermark/GripResizer.h"

#include <QMouseEvent>
#include <QSizeGrip>
#include <QWidget>

GripResizer::GripResizer(QWidget* window) : QObject(window), m_window(window) {}

void GripResizer::attach() {
    auto* grip = m_window->findChild<QSizeGrip*>(QString(), Qt::FindDirectChildrenOnly);
    if (!grip || grip == m_grip)
        return;
    m_grip = grip;
    m_resizing = false;
    grip->installEventFilter(this);
}

bool GripResizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_grip)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        m_resizing = true;
        m_press_global = mouse->globalPos();
        m_press_size = m_window->size();
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_resizing)
            return false; // the grip's own cursor handling
        const QPoint moved = static_cast<QMouseEvent*>(event)->globalPos() - m_press_global;
        const QSize wanted = (m_press_size + QSize(moved.x(), moved.y()))
                                 .expandedTo(m_window->minimumSize())
                                 .boundedTo(m_window->maximumSize());
        m_window->resize(wanted);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_resizing = false;
        return true;
    default:
        return false;
    }
}
