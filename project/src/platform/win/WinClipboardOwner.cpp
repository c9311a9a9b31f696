#include "WinClipboardOwner.h"

#include "WinClipboardFormats.h"
#include "WinClipboardReader.h"
#include "WinMessageWindow.h"
#include "WinProcess.h"
#include "clipboard/SecretContent.h"
#include "platform/PasteHold.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QtDebug>

#include <cstring>

#include <windows.h>

namespace {
bool same_content(const QMimeData& a, const QMimeData& b) {
    const QStringList formats = a.formats();
    if (formats != b.formats())
        return false;
    if (a.hasImage() &&
        qvariant_cast<QImage>(a.imageData()) != qvariant_cast<QImage>(b.imageData()))
        return false;
    for (const QString& format : formats) {
        if (!format.startsWith(QLatin1String("application/x-qt-image")) &&
            a.data(format) != b.data(format))
            return false;
    }
    return true;
}

unsigned registered(const char* name) {
    return RegisterClipboardFormatW(
        reinterpret_cast<const wchar_t*>(QString::fromLatin1(name).utf16()));
}

HGLOBAL global_copy(const QByteArray& bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(qMax(1, bytes.size())));
    if (!memory)
        return nullptr;
    void* locked = GlobalLock(memory);
    if (!locked) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked, bytes.constData(), size_t(bytes.size()));
    GlobalUnlock(memory);
    return memory;
}

bool set_now(unsigned id, const QByteArray& bytes) {
    HGLOBAL memory = global_copy(bytes);
    if (memory && SetClipboardData(id, memory))
        return true;
    if (memory)
        GlobalFree(memory); // still ours when SetClipboardData refused it
    return false;
}

QByteArray dword_zero() {
    const DWORD zero = 0;
    return QByteArray(reinterpret_cast<const char*>(&zero), sizeof(zero));
}

// Windows stops telling a listener now and then (a long sleep, a crashed viewer in the chain):
// the sequence number is compared on this beat, and the listener added again when it missed one.
constexpr int listener_check_ms = 5000;
} // namespace

WinClipboardOwner::WinClipboardOwner(PasteHold& hold, QObject* parent)
    : ClipboardOwner(parent), m_hold(hold) {
    m_window = std::make_unique<WinMessageWindow>(
        QStringLiteral("Corvana clipboard"), false,
        [this](unsigned message, quintptr wparam, qintptr lparam, qintptr* result) {
            return on_message(message, wparam, lparam, result);
        });
    m_seen_sequence = GetClipboardSequenceNumber();
    listen(true);
    connect(&m_listener_check, &QTimer::timeout, this, &WinClipboardOwner::check_listener);
    m_listener_check.start(listener_check_ms);
}

WinClipboardOwner::~WinClipboardOwner() {
    listen(false);
    // What we still serve stays on the clipboard after us.
    render_all(true);
}

void WinClipboardOwner::listen(bool on) {
    HWND window = m_window ? static_cast<HWND>(m_window->handle()) : nullptr;
    if (!window)
        return;
    if (on && !AddClipboardFormatListener(window))
        qWarning("ClipboardOwner: AddClipboardFormatListener failed (%lu)", GetLastError());
    if (!on)
        RemoveClipboardFormatListener(window);
}

void WinClipboardOwner::check_listener() {
    const quint32 sequence = GetClipboardSequenceNumber();
    if (sequence == m_seen_sequence || sequence == m_own_sequence)
        return;
    if (m_owned && m_window && GetClipboardOwner() == static_cast<HWND>(m_window->handle())) {
        m_seen_sequence = sequence; // our own rendering
        return;
    }
    qDebug("ClipboardOwner: a clipboard change went unannounced; listening again");
    listen(false);
    listen(true);
    on_clipboard_update();
}

ClipboardOwner::Result WinClipboardOwner::serve(QMimeData* entry) {
    std::unique_ptr<QMimeData> owned(entry);
    Result result;
    HWND window = m_window ? static_cast<HWND>(m_window->handle()) : nullptr;
    if (!window || !entry) {
        result.ok = false;
        result.error = QStringLiteral("no clipboard window");
        return result;
    }
    // The same entry again, still ours and the clipboard unchanged since (a synthesized paste
    // serves its entry before its keys, the paste engine again at their report): serving it anew
    // would hold the clipboard open just when the program pasted into opens it, and that paste
    // would be lost.
    if (m_owned && m_entry && GetClipboardSequenceNumber() == m_own_sequence &&
        same_content(*m_entry, *owned)) {
        m_hold.entry_served();
        return result;
    }
    // The old entry's formats are still ours to render until the clipboard is emptied.
    if (!WinClipboardReader::open_clipboard(window, WinClipboardReader::open_wait_ms,
                                            &result.error)) {
        result.ok = false;
        return result;
    }
    EmptyClipboard(); // WM_DESTROYCLIPBOARD for the old entry comes back to us, synchronously
    m_entry = std::move(owned);
    m_formats.clear();
    m_rendered.clear();

    const QStringList mimes = m_entry->formats();
    // Not hasText(): Qt counts a file list as text, and a copy of files gives no text.
    if (m_entry->hasFormat(QStringLiteral("text/plain")))
        m_formats.append({CF_UNICODETEXT, Kind::UnicodeText, QString()});
    if (m_entry->hasHtml())
        m_formats.append({registered("HTML Format"), Kind::Html, QString()});
    if (m_entry->hasImage() || mimes.contains(QStringLiteral("image/png"))) {
        m_formats.append({registered("PNG"), Kind::Png, QString()});
        m_formats.append({CF_DIB, Kind::Dib, QString()});
    }
    if (m_entry->hasUrls())
        m_formats.append({CF_HDROP, Kind::Files, QString()});
    for (const QString& mime : mimes) {
        if (mime == QLatin1String("text/plain") || mime.startsWith(QLatin1String("text/plain;")) ||
            mime == QLatin1String("text/html") || mime == QLatin1String("text/uri-list") ||
            mime == QLatin1String("image/png") || mime == QLatin1String("image/bmp") ||
            mime == QLatin1String(SecretContent::hint_format()) ||
            mime.startsWith(QLatin1String("application/x-qt-image")))
            continue;
        const QString unwrapped = WinClipboardFormats::unwrapped(mime);
        const QString name = unwrapped.isEmpty() ? mime : unwrapped;
        const unsigned id =
            RegisterClipboardFormatW(reinterpret_cast<const wchar_t*>(name.utf16()));
        if (id == 0 || WinClipboardFormats::never_read(id, name) ||
            WinClipboardFormats::is_secret_marker(name))
            continue;
        m_formats.append({id, Kind::Raw, mime});
    }
    for (const Format& format : m_formats)
        SetClipboardData(format.id, nullptr); // rendered when asked for
    // Windows' clipboard history and cloud clipboard keep none of our pastes.
    set_now(registered("CanIncludeInClipboardHistory"), dword_zero());
    set_now(registered("CanUploadToCloudClipboard"), dword_zero());
    if (SecretContent::is_secret(m_entry.get())) {
        set_now(registered("ExcludeClipboardContentFromMonitorProcessing"), QByteArray(1, '\0'));
        set_now(registered("Clipboard Viewer Ignore"), QByteArray(1, '\0'));
    }
    CloseClipboard();
    m_owned = true;
    m_own_sequence = GetClipboardSequenceNumber();
    m_hold.entry_served();
    return result;
}

QByteArray WinClipboardOwner::bytes_for(const Format& format) {
    switch (format.kind) {
    case Kind::UnicodeText:
        return WinClipboardFormats::unicode_text_from_utf8(m_entry->text().toUtf8());
    case Kind::Html:
        return WinClipboardFormats::cf_html_from_html(m_entry->html().toUtf8());
    case Kind::Png: {
        const QByteArray stored = m_entry->data(QStringLiteral("image/png"));
        if (!stored.isEmpty())
            return stored;
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(m_entry->imageData()).save(&buffer, "PNG");
        return encoded;
    }
    case Kind::Dib: {
        QImage image = qvariant_cast<QImage>(m_entry->imageData());
        if (image.isNull())
            image.loadFromData(m_entry->data(QStringLiteral("image/png")), "PNG");
        return WinClipboardFormats::dib_from_image(image);
    }
    case Kind::Files: {
        QByteArray list;
        for (const QUrl& url : m_entry->urls())
            list += url.toEncoded() + "\r\n";
        return WinClipboardFormats::drop_files_from_uri_list(list);
    }
    case Kind::Raw:
        return m_entry->data(format.mime);
    }
    return QByteArray();
}

bool WinClipboardOwner::render(unsigned id) {
    if (!m_entry)
        return false;
    for (const Format& format : m_formats) {
        if (format.id != id)
            continue;
        const QByteArray bytes = bytes_for(format);
        if (!set_now(id, bytes)) {
            qWarning("ClipboardOwner: format %u could not be given (%lu)", id, GetLastError());
            return false;
        }
        m_rendered.append(id);
        if (format.kind == Kind::UnicodeText) {
            const quint32 reader = WinProcess::process_of(GetOpenClipboardWindow());
            m_text_given.insert(reader, m_entry->text().toUtf8());
        }
        return true;
    }
    return false;
}

void WinClipboardOwner::render_all(bool check_owner) {
    HWND window = m_window ? static_cast<HWND>(m_window->handle()) : nullptr;
    if (!window || !m_entry || !m_owned)
        return;
    if (!WinClipboardReader::open_clipboard(window, WinClipboardReader::open_wait_ms, nullptr))
        return;
    // Never empty it: only what is still ours and not given yet is filled in.
    if (!check_owner || GetClipboardOwner() == window) {
        for (const Format& format : m_formats) {
            if (!m_rendered.contains(format.id))
                render(format.id);
        }
    }
    CloseClipboard();
}

bool WinClipboardOwner::hand_over(int) {
    // Windows keeps the clipboard's data when its owner ends, once every format is rendered.
    render_all(true);
    return m_owned;
}

bool WinClipboardOwner::on_message(unsigned message, quintptr wparam, qintptr, qintptr* result) {
    switch (message) {
    case WM_RENDERFORMAT: {
        // The program that opened the clipboard asked: that is the read the paste hold waits for.
        const qint64 now = WinProcess::now_ms();
        quint32 reader = WinProcess::process_of(GetOpenClipboardWindow());
        if (reader == 0)
            reader = WinProcess::foreground_process(); // opened without a window
        render(unsigned(wparam));
        m_hold.request(now, reader, PasteHold::Request::Data);
        emit activity();
        *result = 0;
        return true;
    }
    case WM_RENDERALLFORMATS:
        render_all(true);
        *result = 0;
        return true;
    case WM_DESTROYCLIPBOARD:
        // Emptied by someone, ourselves included (serve empties before it writes).
        m_owned = false;
        *result = 0;
        return true;
    case WM_CLIPBOARDUPDATE:
        on_clipboard_update();
        *result = 0;
        return true;
    default:
        return false;
    }
}

void WinClipboardOwner::on_clipboard_update() {
    const quint32 sequence = GetClipboardSequenceNumber();
    if (sequence == m_seen_sequence)
        return;
    m_seen_sequence = sequence;
    HWND window = m_window ? static_cast<HWND>(m_window->handle()) : nullptr;
    HWND owner = GetClipboardOwner();
    if (owner == window && window && m_owned)
        return; // our own write, or formats we rendered
    m_owned = false;
    if (CountClipboardFormats() == 0) {
        emit owner_gone();
        return;
    }
    const quint32 client = WinProcess::process_of(owner);
    if (client != 0 && m_hold.is_echo(WinProcess::now_ms(), client) &&
        m_text_given.contains(client)) {
        // The program pasted into set the clipboard to what it had just pasted.
        m_hold.echo_seen(WinProcess::now_ms(), client);
        emit activity();
        return;
    }
    report_copy_later();
}
