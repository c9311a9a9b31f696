#include "FakePlatform.h"
#include "FakeKeyboard.h"
#include "platform/VirtualKeys.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

Keyboard* FakePlatform::create_keyboard(QObject* parent) {
    m_keyboard = new FakeKeyboard(m_key_state, parent);
    return m_keyboard;
}

std::unique_ptr<Platform> create_platform() {
    return std::make_unique<FakePlatform>();
}

void FakeKeyboard::press(int virtual_key) {
    m_state.set_down(virtual_key, true);
    if (m_hooked)
        emit signal_key_pressed(virtual_key, 0);
    if (!(m_hooked && m_print_swallowed && virtual_key == VirtualKeys::PrintScreen))
        m_passed_on.append(virtual_key);
}

void FakeInputInjector::send_key(int virtual_key, bool down) {
    m_sent.append({virtual_key, down});
    const auto deliver = [virtual_key, down] {
        if (FakeKeyboard* keyboard = FakePlatform::get().keyboard())
            down ? keyboard->press(virtual_key) : keyboard->release(virtual_key);
    };
    const bool paste = down && virtual_key == VirtualKeys::V;
    if (m_delivery == Delivery::Later)
        QTimer::singleShot(0, deliver);
    else
        deliver();
    if (paste)
        m_pasted << QGuiApplication::clipboard()->text();
}

FakeClipboardOwner::FakeClipboardOwner() {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        if (m_setting)
            return;
        m_serving = false;
        if (m_reports_queued)
            report_copy_later();
        else
            emit copied();
    });
}

ClipboardOwner::Result FakeClipboardOwner::serve(QMimeData* entry) {
    m_served.append(entry->text());
    m_setting = true;
    QGuiApplication::clipboard()->setMimeData(entry);
    m_setting = false;
    m_serving = true;
    return {};
}

QImage FakeScreenCapture::grab(const QRect& area, QString* error) {
    m_asked.append(area);
    QScreen* screen = QGuiApplication::screenAt(area.topLeft());
    QImage image;
    if (m_desktop && !m_desktop->isNull()) {
        image = m_desktop->copy(area);
    } else if (!m_desktop && screen) {
        const QPoint at = area.topLeft() - screen->geometry().topLeft();
        image = screen->grabWindow(0, at.x(), at.y(), area.width(), area.height()).toImage();
    } else if (error) {
        *error = m_desktop ? QStringLiteral("no fast path in this test")
                           : QStringLiteral("no screen there");
    }
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

ClipboardReader::Offer FakeClipboardReader::offer() {
    Offer result;
    result.ok = !m_hung;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (m_hung)
        result.error = QStringLiteral("the owner did not answer");
    else if (m_scripted)
        for (const auto& format : m_script)
            result.formats.append(format.first);
    else if (data)
        for (const QString& format : data->formats())
            result.formats.append(format == QLatin1String("application/x-qt-image")
                                      ? QStringLiteral("image/png")
                                      : format);
    return result;
}

ClipboardReader::Data FakeClipboardReader::fetch(const QString& format) {
    ++m_fetches[format];
    Data result;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (m_hung || m_failing.contains(format)) {
        result.error = QStringLiteral("the owner did not answer");
    } else if (m_scripted) {
        for (const auto& offered : m_script)
            if (offered.first == format)
                result = {true, offered.second, QString()};
    } else if (data && format == QLatin1String("image/png") && !data->formats().contains(format) &&
               data->hasImage()) {
        QBuffer buffer(&result.bytes); // opened by the writer
        result.ok = qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
    } else if (data && data->formats().contains(format)) {
        result = {true, data->data(format), QString()};
    }
    return result;
}
