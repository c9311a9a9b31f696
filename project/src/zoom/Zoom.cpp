#include "zoom/Zoom.h"

#include "platform/ScreenCapture.h"
#include "zoom/LiveZoom.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

Zoom::Zoom(ScreenCapture& capture, QWidget* parent) : QDialog(parent), m_capture(capture) {
    setWindowTitle(QStringLiteral("Corvana zoom"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_label = new QLabel(this);
    m_layout->addWidget(m_label);
    // Photographed when it starts, not before: a screen-sized picture is not kept while idle.
    setWindowState(Qt::WindowFullScreen);
}

QPixmap Zoom::photograph_primary_screen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QPixmap();
    const QRect g = screen->geometry();
    QString why;
    const QImage fast = m_capture.grab(g, &why);
    if (!fast.isNull())
        return QPixmap::fromImage(fast);
    return screen->grabWindow(0, 0, 0, g.width(), g.height());
}

void Zoom::grab_screen() {
    m_drawing = false;
    m_pixmap = photograph_primary_screen();
    m_clean_pixmap = m_pixmap;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    setCursor(Qt::CrossCursor);
    m_label->setPixmap(m_pixmap);
}

void Zoom::start(float factor) {
    grab_screen();
    show();
    activateWindow();
    LiveZoom::instance().m_active = true;
    LiveZoom::instance().set_magnification(factor);
}

void Zoom::finish() {
    LiveZoom::instance().m_active = false;
    LiveZoom::instance().set_magnification(1.0f);
    close();
    m_drawing = false;
    m_pixmap = QPixmap();
    m_clean_pixmap = QPixmap();
    m_label->clear();
    // The native window and its screen-sized backing store go too; showing makes them anew.
    destroy();
}

QPixmap Zoom::picture() const {
    return m_pixmap;
}

void Zoom::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_drawing = true;
        m_previous_point = m_current_point = event->pos();
    } else if (event->button() == Qt::RightButton) {
        m_pixmap = m_clean_pixmap;
        m_label->setPixmap(m_pixmap);
    }
}

void Zoom::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drawing)
        return;
    {
        QPainter painter(&m_pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::red, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(m_previous_point, m_current_point);
    }
    // The stroke trails the pointer by one move.
    m_previous_point = m_current_point;
    m_current_point = event->pos();
    m_label->setPixmap(m_pixmap);
}

void Zoom::mouseReleaseEvent(QMouseEvent*) {
    m_drawing = false;
}
