#include "WaylandClipboardOwner.h"

#include "WaylandClipboardReader.h"
#include "WaylandConnection.h"
#include "WaylandPipeWriter.h"
#include "clipboard/SecretContent.h"
#include "common/AppLog.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>

#include <QElapsedTimer>

#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {
// A program may list formats without end; the rest are not looked at, but for the text and
// the mark of a secret (as on X11).
constexpr int max_formats = 1024;
constexpr int max_format_length = 255;

WaylandClipboardOwner* owner(void* data) {
    return static_cast<WaylandClipboardOwner*>(data);
}

const zwlr_data_control_offer_v1_listener offer_listener = {
    [](void* data, zwlr_data_control_offer_v1* offer, const char* format) {
        owner(data)->offer_listed(offer, format);
    }};

const zwlr_data_control_device_v1_listener device_listener = {
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        owner(data)->data_offered(offer);
    },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        owner(data)->selection_changed(offer);
    },
    [](void* data, zwlr_data_control_device_v1*) { owner(data)->device_finished(); },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        owner(data)->primary_offered(offer);
    }};

const zwlr_data_control_source_v1_listener source_listener = {
    [](void* data, zwlr_data_control_source_v1* source, const char* format, int32_t fd) {
        owner(data)->send_requested(source, format, fd);
    },
    [](void* data, zwlr_data_control_source_v1* source) { owner(data)->source_cancelled(source); }};

bool is_text_format(const QString& format) {
    return format == QLatin1String("text/plain") || format.startsWith(QLatin1String("text/plain;"));
}
} // namespace

WaylandClipboardOwner::WaylandClipboardOwner(WaylandConnection& wayland, QObject* parent)
    : ClipboardOwner(parent), m_wayland(wayland) {}

WaylandClipboardOwner::~WaylandClipboardOwner() {
    drop_current();
    for (auto it = m_announced.begin(); it != m_announced.end(); ++it)
        zwlr_data_control_offer_v1_destroy(it.key());
    if (m_source)
        zwlr_data_control_source_v1_destroy(m_source);
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    m_wayland.flush();
}

bool WaylandClipboardOwner::start(QString* error) {
    if (m_device)
        return true;
    if (!m_wayland.data_control() || !m_wayland.seat()) {
        *error = QStringLiteral("the compositor offers no data-control: the clipboard of Wayland "
                                "programs cannot be read or served");
        return false;
    }
    m_device =
        zwlr_data_control_manager_v1_get_data_device(m_wayland.data_control(), m_wayland.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &device_listener, this);
    // The current selection arrives before anything asks for it.
    m_wayland.roundtrip();
    return true;
}

void WaylandClipboardOwner::data_offered(zwlr_data_control_offer_v1* offer) {
    m_announced.insert(offer, Listed{offer, {}, 0});
    zwlr_data_control_offer_v1_add_listener(offer, &offer_listener, this);
}

void WaylandClipboardOwner::offer_listed(zwlr_data_control_offer_v1* offer, const char* format) {
    auto it = m_announced.find(offer);
    Listed* listed = it != m_announced.end()    ? &*it
                     : offer == m_current.offer ? &m_current
                                                : nullptr;
    if (!listed)
        return;
    const QString name = QString::fromUtf8(format);
    if (listed->formats.size() >= max_formats &&
        name != QLatin1String(SecretContent::hint_format()) &&
        !WaylandClipboardReader::text_formats().contains(name)) {
        ++listed->dropped;
        return;
    }
    if (!name.isEmpty() && name.size() <= max_format_length && !listed->formats.contains(name))
        listed->formats.append(name);
}

void WaylandClipboardOwner::selection_changed(zwlr_data_control_offer_v1* offer) {
    drop_current();
    if (offer)
        m_current = m_announced.take(offer);
    if (m_current.dropped > 0)
        APP_LOG(QStringLiteral("APP_LOG Wayland: the clipboard's owner lists %1 formats past the "
                               "first %2; of those only its text and mark are looked at")
                    .arg(m_current.dropped)
                    .arg(max_formats));
    // Our own selection comes back to us as an offer too; while our source stands, it is ours.
    if (m_source)
        return;
    if (offer)
        report_copy_later();
    else
        emit owner_gone();
}

void WaylandClipboardOwner::primary_offered(zwlr_data_control_offer_v1* offer) {
    // The middle-click selection is not ours to follow.
    if (offer) {
        m_announced.remove(offer);
        zwlr_data_control_offer_v1_destroy(offer);
    }
}

void WaylandClipboardOwner::device_finished() {
    APP_LOG(QStringLiteral("APP_LOG Wayland: the compositor ended our clipboard access"));
    drop_current();
    zwlr_data_control_device_v1_destroy(m_device);
    m_device = nullptr;
}

void WaylandClipboardOwner::drop_current() {
    if (m_current.offer)
        zwlr_data_control_offer_v1_destroy(m_current.offer);
    m_current = {};
}

ClipboardOwner::Result WaylandClipboardOwner::serve(QMimeData* entry) {
    std::unique_ptr<QMimeData> owned(entry);
    if (!m_device)
        return {false, QStringLiteral("no clipboard access on this Wayland desktop")};
    // A copy the compositor has announced but we have not read yet must not be mistaken for ours.
    m_wayland.dispatch_pending();
    report_pending_copy();
    if (m_source)
        zwlr_data_control_source_v1_destroy(m_source);
    m_entry = std::move(owned);
    m_cache.clear();
    m_answered = false;
    m_source = zwlr_data_control_manager_v1_create_data_source(m_wayland.data_control());
    zwlr_data_control_source_v1_add_listener(m_source, &source_listener, this);
    const QStringList offered = served_formats(*m_entry);
    for (const QString& format : offered)
        zwlr_data_control_source_v1_offer(m_source, format.toUtf8().constData());
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    m_wayland.flush();
    return {};
}

QStringList WaylandClipboardOwner::served_formats(const QMimeData& entry) {
    QStringList offered;
    if (entry.hasText())
        offered << QStringLiteral("text/plain;charset=utf-8") << QStringLiteral("text/plain")
                << QStringLiteral("UTF8_STRING") << QStringLiteral("STRING")
                << QStringLiteral("TEXT");
    const QStringList formats = entry.formats();
    for (const QString& format : formats) {
        // The mark has no slash but goes out, so that other clipboard tools do not record what
        // we paste.
        const bool mark = format == QLatin1String(SecretContent::hint_format());
        if (mark || (!format.startsWith(QLatin1String("application/x-qt-")) &&
                     format.contains(QLatin1Char('/')) && !is_text_format(format)))
            offered << format;
    }
    if (entry.hasImage() && !offered.contains(QLatin1String("image/png")))
        offered << QStringLiteral("image/png");
    return offered;
}

QByteArray WaylandClipboardOwner::bytes_for(const QString& format) {
    const auto cached = m_cache.constFind(format);
    if (cached != m_cache.constEnd())
        return *cached;
    QByteArray bytes;
    if (format == QLatin1String("STRING")) {
        bytes = m_entry->text().toLatin1();
    } else if (is_text_format(format) || format == QLatin1String("UTF8_STRING") ||
               format == QLatin1String("TEXT")) {
        bytes = m_entry->text().toUtf8();
    } else if (format == QLatin1String("image/png") && !m_entry->hasFormat(format)) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(m_entry->imageData()).save(&buffer, "PNG");
    } else {
        bytes = m_entry->data(format);
    }
    m_cache.insert(format, bytes);
    return bytes;
}

void WaylandClipboardOwner::send_requested(zwlr_data_control_source_v1* source, const char* format,
                                           int fd) {
    if (source != m_source || !m_entry) {
        ::close(fd);
        return;
    }
    auto* writer = new WaylandPipeWriter(fd, bytes_for(QString::fromUtf8(format)), this);
    writer->start();
    m_answered = true;
    emit answered();
}

void WaylandClipboardOwner::source_cancelled(zwlr_data_control_source_v1* source) {
    zwlr_data_control_source_v1_destroy(source);
    if (source == m_source)
        m_source = nullptr;
}

bool WaylandClipboardOwner::wait_for_answer(int timeout_ms) {
    QElapsedTimer waited;
    waited.start();
    while (!m_answered && m_source && m_wayland.display() &&
           wl_display_get_error(m_wayland.display()) == 0) {
        const qint64 left = timeout_ms - waited.elapsed();
        if (left <= 0)
            break;
        pollfd fd{wl_display_get_fd(m_wayland.display()), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            break;
        m_wayland.dispatch_pending();
    }
    return m_answered;
}

bool WaylandClipboardOwner::hand_over(int) {
    // Wayland has no hand-over: a clipboard manager that keeps copies has already read ours.
    return false;
}
