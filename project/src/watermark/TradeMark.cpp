#include "watermark/TradeMark.h"

#include "common/UiScale.h"
#include "watermark/GripResizer.h"

#include <QDebug>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

TradeMark::TradeMark() : QDialog(nullptr) {
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setMinimumSize(5, 5);
    // Never shown as a title; it lets tools and tests find the window.
    setWindowTitle(QStringLiteral("Corvana watermark"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_label = new QLabel(this);
    // The window decides the size; the picture follows it.
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_layout->addWidget(m_label);
    m_grip_resizer = new GripResizer(this);
    resize(UiScale::size(200, 120));
}

void TradeMark::set_grip_enabled(bool enabled) {
    setSizeGripEnabled(enabled);
    if (enabled)
        m_grip_resizer->attach();
}

bool TradeMark::set_image(const QString& path, QString* error) {
    QImageReader reader(path);
    const bool readable = reader.canRead();
    // A reader of its own: asking for the size moves past what canRead and read look at.
    const QSize size = readable ? QImageReader(path).size() : QSize();
    QString problem;
    if (!readable)
        problem = QStringLiteral("%1 is not an image that can be read").arg(path);
    else if (size.isValid() && qint64(size.width()) * size.height() > max_pixels)
        problem = QStringLiteral("%1 is too large (%2 x %3 pixels)")
                      .arg(path)
                      .arg(size.width())
                      .arg(size.height());
    QImage image;
    if (problem.isEmpty() && !reader.read(&image))
        problem = QStringLiteral("%1 could not be read: %2").arg(path, reader.errorString());
    if (!problem.isEmpty()) {
        qDebug().noquote() << "Watermark:" << problem;
        if (error)
            *error = problem;
        return false;
    }
    m_image_path = path;
    m_image = QPixmap::fromImage(image);
    // The first image sets the window to its own shape, at most a third of the screen.
    if (!m_sized_by_image) {
        m_sized_by_image = true;
        QSize natural = m_image.size();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            natural = natural.boundedTo(screen->availableSize() / 3);
        resize(m_image.size().scaled(natural, Qt::KeepAspectRatio).expandedTo(minimumSize()));
    }
    show_scaled();
    return true;
}

void TradeMark::show_scaled() {
    if (m_image.isNull())
        return;
    m_label->setPixmap(
        m_image.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

QPixmap TradeMark::shown_pixmap() const {
    return m_label->pixmap(Qt::ReturnByValue);
}

void TradeMark::slot_set_transparency(int value) {
    setWindowOpacity(value / 100.0);
}

void TradeMark::mousePressEvent(QMouseEvent* event) {
    if (!m_movable)
        return QDialog::mousePressEvent(event);
    m_dragging = true;
    m_press_offset = event->pos();
    m_position = event->globalPos() - m_press_offset;
    m_press_position = m_position;
}

void TradeMark::mouseMoveEvent(QMouseEvent* event) {
    if (!m_movable || !m_dragging)
        return QDialog::mouseMoveEvent(event);
    m_position = event->globalPos() - m_press_offset;
    move(m_position);
}

void TradeMark::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_movable || !m_dragging)
        return QDialog::mouseReleaseEvent(event);
    m_dragging = false;
    if (m_position == m_press_position)
        emit signal_clicked();
    if (m_resizable)
        show_scaled();
}

void TradeMark::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_resizable)
        return;
    // QDialog keeps the grip in the corner; made anew here it would lose the drag under way.
    show_scaled();
}
