#include "history/ImageViewer.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

ImageViewer::ImageViewer(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::ToolTip | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_layout->addWidget(m_label);
}

void ImageViewer::set_image(const QPixmap& pixmap) {
    m_label->setPixmap(pixmap);
}

void ImageViewer::show_beside(const QWidget* popup, const QPixmap& pixmap) {
    set_image(pixmap);
    const QRect frame = popup->frameGeometry();
    move(frame.right() + 15, frame.top());
    QScreen* screen = popup->screen();
    if (screen && frame.right() + 15 + pixmap.width() > screen->availableGeometry().right())
        move(frame.left() - 215, frame.top());
    resize(pixmap.size());
    show();
}

void ImageViewer::preview(const QWidget* popup, const QImage& image) {
    if (image.isNull())
        return;
    show_beside(popup, QPixmap::fromImage(image).scaled(200, 200, Qt::KeepAspectRatio,
                                                        Qt::FastTransformation));
}

void ImageViewer::hide_me() {
    hide();
}

void ImageViewer::leaveEvent(QEvent* event) {
    hide();
    QDialog::leaveEvent(event);
}
