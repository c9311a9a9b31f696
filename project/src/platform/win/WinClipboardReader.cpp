#include "WinClipboardReader.h"

#include "WinClipboardFormats.h"
#include "clipboard/SecretContent.h"

#include <QElapsedTimer>

#include <cstring>
#include <memory>

#include <windows.h>

namespace {
const QString plain = QStringLiteral("text/plain");
const QString html = QStringLiteral("text/html");
const QString png = QStringLiteral("image/png");
const QString bmp = QStringLiteral("image/bmp");
const QString uri_list = QStringLiteral("text/uri-list");
const QString rtf = QStringLiteral("text/rtf");

// The registered or standard name of a format number; empty when it has none.
QString format_name(UINT format) {
    const QString standard = WinClipboardFormats::standard_name(format);
    if (!standard.isEmpty())
        return standard;
    wchar_t name[256] = {};
    const int length = GetClipboardFormatNameW(format, name, 255);
    return length > 0 ? QString::fromWCharArray(name, length) : QString();
}

// A DWORD-valued marker set to 0 (the clipboard is open).
bool marker_says_no(unsigned format) {
    HANDLE data = WinClipboardWorker::clipboard_data(format);
    if (!data || GlobalSize(data) < sizeof(DWORD))
        return false;
    const void* bytes = GlobalLock(data);
    if (!bytes)
        return false;
    DWORD value = 1;
    std::memcpy(&value, bytes, sizeof(value));
    GlobalUnlock(data);
    return value == 0;
}
} // namespace

WinClipboardReader::WinClipboardReader(std::function<bool()> we_serve)
    : m_we_serve(std::move(we_serve)) {}

bool WinClipboardReader::open_clipboard(void* window, int wait_ms, QString* error) {
    QElapsedTimer waited;
    waited.start();
    DWORD pause = 1;
    for (;;) {
        if (OpenClipboard(static_cast<HWND>(window)))
            return true;
        if (waited.elapsed() >= wait_ms)
            break;
        // Another program has it open, mostly for a few milliseconds.
        Sleep(pause);
        pause = qMin<DWORD>(pause * 2, 32);
    }
    if (error)
        *error =
            QStringLiteral("the clipboard stayed open in another program (%1)").arg(GetLastError());
    return false;
}

ClipboardReader::Offer WinClipboardReader::offer() {
    Offer result;
    m_offered.clear();
    m_secret = false;
    m_deadline = std::chrono::steady_clock::now() + capture_timeout;
    m_budget = capture_max_bytes;
    if (m_we_serve && m_we_serve()) {
        // A paste overtook the copy: what was copied is gone from the clipboard already.
        result.error = QStringLiteral("the clipboard holds our own entry");
        return result;
    }
    // Written by the worker, which may finish after we gave up on it.
    struct Found {
        bool opened = false;
        QString error;
        quint32 sequence = 0;
        bool secret = false;
        QList<QPair<unsigned, QString>> formats;
    };
    const auto found = std::make_shared<Found>();
    const bool done = run_bounded(
        [found] {
            if (!open_clipboard(nullptr, open_wait_ms, &found->error))
                return;
            found->opened = true;
            found->sequence = GetClipboardSequenceNumber();
            for (UINT format = EnumClipboardFormats(0); format != 0;
                 format = EnumClipboardFormats(format)) {
                const QString name = format_name(format);
                if (WinClipboardFormats::is_secret_marker(name)) {
                    // A marker is data too: an owner can delay it like any other format.
                    const bool dword_marker = name.startsWith(QLatin1String("Can"));
                    found->secret = found->secret || !dword_marker || marker_says_no(format);
                    continue;
                }
                found->formats.append({format, name});
            }
            CloseClipboard();
        },
        &result.error);
    if (!done)
        return result;
    if (!found->opened) {
        result.error = found->error;
        return result;
    }
    m_sequence = found->sequence;
    m_secret = found->secret;
    bool has_png = false;
    for (const auto& [format, name] : qAsConst(found->formats)) {
        if (WinClipboardFormats::never_read(format, name))
            continue;
        QString mime;
        if (format == CF_UNICODETEXT || (format == CF_TEXT && !m_offered.contains(plain)))
            mime = plain;
        else if (format == CF_DIB || (format == CF_DIBV5 && !m_offered.contains(bmp)))
            mime = bmp;
        else if (format == CF_HDROP)
            mime = uri_list;
        else if (name == QLatin1String("HTML Format"))
            mime = html;
        else if (name == QLatin1String("PNG"))
            mime = png;
        else if (name == QLatin1String("Rich Text Format"))
            mime = rtf;
        else if (format >= 0xC000 && !name.isEmpty())
            // Qt names a MIME type it has no native format for after the type itself.
            mime = name.contains(QLatin1Char('/')) ? name : WinClipboardFormats::wrapped(name);
        if (mime.isEmpty())
            continue;
        has_png = has_png || mime == png;
        m_offered.insert(mime, format);
    }
    result.ok = true;
    result.formats = m_offered.keys();
    // The DIB makes the same picture again: read once as PNG when the owner gives PNG.
    if (has_png)
        result.formats.removeAll(bmp);
    if (m_secret && !result.formats.isEmpty())
        result.formats.append(QLatin1String(SecretContent::hint_format()));
    result.formats.sort();
    return result;
}

bool WinClipboardReader::run_bounded(std::function<void()> work, QString* error) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        *error = QStringLiteral("the capture ran out of time");
        return false;
    }
    switch (m_worker.run(std::move(work), left)) {
    case WinClipboardWorker::Result::Done:
        return true;
    case WinClipboardWorker::Result::TimedOut:
        *error = QStringLiteral("the clipboard's owner did not answer in time");
        return false;
    case WinClipboardWorker::Result::StillBusy:
        *error = QStringLiteral("an earlier read still waits on the clipboard's owner");
        return false;
    }
    return false;
}

bool WinClipboardReader::read(unsigned format, QByteArray* bytes, QString* error) {
    struct Read {
        bool ok = false;
        QByteArray bytes;
        QString error;
    };
    const auto got = std::make_shared<Read>();
    const quint32 sequence = m_sequence;
    const qint64 budget = m_budget;
    const bool done = run_bounded(
        [got, format, sequence, budget] {
            if (!open_clipboard(nullptr, open_wait_ms, &got->error))
                return;
            if (GetClipboardSequenceNumber() != sequence) {
                got->error = QStringLiteral("the clipboard changed meanwhile");
            } else if (HANDLE data = WinClipboardWorker::clipboard_data(format)) {
                const SIZE_T size = GlobalSize(data);
                if (qint64(size) > budget) {
                    got->error =
                        QStringLiteral("%1 bytes is more than a capture keeps").arg(qint64(size));
                } else if (const void* locked = GlobalLock(data)) {
                    got->bytes = QByteArray(static_cast<const char*>(locked), int(size));
                    GlobalUnlock(data);
                    got->ok = true;
                } else {
                    got->error =
                        QStringLiteral("the data could not be read (%1)").arg(GetLastError());
                }
            } else {
                got->error = QStringLiteral("the owner gave no data (%1)").arg(GetLastError());
            }
            CloseClipboard();
        },
        error);
    if (!done)
        return false;
    if (!got->ok) {
        *error = got->error;
        return false;
    }
    *bytes = std::move(got->bytes);
    m_budget -= qint64(bytes->size());
    return true;
}

ClipboardReader::Data WinClipboardReader::fetch(const QString& format) {
    Data result;
    if (format == QLatin1String(SecretContent::hint_format()) && m_secret) {
        result.ok = true;
        result.bytes = "secret";
        return result;
    }
    const auto offered = m_offered.constFind(format);
    if (offered == m_offered.constEnd()) {
        result.error = QStringLiteral("not offered");
        return result;
    }
    QByteArray bytes;
    if (!read(*offered, &bytes, &result.error))
        return result;
    if (format == plain) {
        result.bytes =
            *offered == CF_UNICODETEXT
                ? WinClipboardFormats::utf8_from_unicode_text(bytes)
                : QString::fromLocal8Bit(bytes.constData(),
                                         int(qstrnlen(bytes.constData(), uint(bytes.size()))))
                      .toUtf8();
    } else if (format == html) {
        result.bytes = WinClipboardFormats::html_from_cf_html(bytes);
    } else if (format == bmp) {
        result.bytes = WinClipboardFormats::bmp_from_dib(bytes);
        if (result.bytes.isEmpty()) {
            result.error = QStringLiteral("the picture's header is not valid");
            return result;
        }
    } else if (format == uri_list) {
        result.bytes = WinClipboardFormats::uri_list_from_drop_files(bytes);
    } else {
        result.bytes = bytes;
    }
    result.ok = true;
    return result;
}
