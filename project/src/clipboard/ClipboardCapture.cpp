#include "clipboard/ClipboardCapture.h"

#include "clipboard/CapturedMimeData.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/SecretContent.h"
#include "platform/ClipboardReader.h"

#include <QThread>

ClipboardCapture::ClipboardCapture(ClipboardReader& reader, MimeDataCopier& copier)
    : m_reader(reader), m_copier(copier) {}

ClipboardCapture::~ClipboardCapture() = default;

namespace {
// An owner may offer a thousand formats that all fail: one log line names the first few.
QString listed(const QStringList& failures) {
    constexpr int shown = 10;
    QString text = failures.mid(0, shown).join(QStringLiteral(", "));
    if (failures.size() > shown)
        text += QStringLiteral(" and %1 more").arg(failures.size() - shown);
    return text;
}
} // namespace

ClipboardCapture::Text ClipboardCapture::read_text() {
    Text result;
    const ClipboardReader::Offer offer = m_reader.offer();
    if (!offer.ok) {
        result.error = offer.error;
        return result;
    }
    if (offer.formats.isEmpty()) {
        result.outcome = Outcome::Emptied;
        return result;
    }
    result.outcome = Outcome::Copied;
    // The mark first: it is small, so the capture's time and size limits do not cut it off.
    const QString hint = QLatin1String(SecretContent::hint_format());
    if (offer.formats.contains(hint)) {
        const ClipboardReader::Data mark = m_reader.fetch(hint);
        // Offered but unread, the mark may well have said secret: fail closed.
        result.secret = !mark.ok || mark.bytes.trimmed() == "secret";
        if (!mark.ok)
            result.error = unread_mark(mark.error);
    }
    // An owner without text (an image alone) gives an empty text, as before.
    if (offer.formats.contains(QStringLiteral("text/plain"))) {
        const ClipboardReader::Data text = m_reader.fetch(QStringLiteral("text/plain"));
        if (!text.ok) {
            result.outcome = Outcome::Unread;
            result.error = text.error;
            return result;
        }
        result.text = QString::fromUtf8(text.bytes);
    }
    return result;
}

ClipboardCapture::Mime ClipboardCapture::read_mime(bool snapshot_files) {
    Mime result;
    const ClipboardReader::Offer offer = m_reader.offer();
    if (!offer.ok) {
        result.error = offer.error;
        return result;
    }
    if (offer.formats.isEmpty()) {
        result.outcome = Outcome::Emptied;
        return result;
    }
    QStringList failures;
    result.data = m_copier.capture(m_reader, offer.formats, snapshot_files, &failures);
    if (result.data->QMimeData::formats().isEmpty() && !failures.isEmpty()) {
        // Offered but nothing could be read: the owner went away or hung meanwhile.
        delete result.data;
        result.data = nullptr;
        result.error = listed(failures);
        return result;
    }
    if (!failures.isEmpty())
        result.error = QStringLiteral("not read: ") + listed(failures);
    const QString hint = QLatin1String(SecretContent::hint_format());
    if (offer.formats.contains(hint) && !result.data->QMimeData::hasFormat(hint)) {
        // Offered but unread: the entry carries the mark from now on, so it is masked, kept
        // off the disk and served marked like any secret.
        SecretContent::mark(result.data);
        result.error += QStringLiteral("; ") + unread_mark(QString());
    }
    result.outcome = Outcome::Copied;
    result.secret = SecretContent::is_secret(result.data);
    return result;
}

QString ClipboardCapture::unread_mark(const QString& error) {
    QString text = QStringLiteral("the password manager mark could not be read");
    if (!error.isEmpty())
        text += QStringLiteral(" (%1)").arg(error);
    return text + QStringLiteral(", so the copy is kept as a secret");
}

void ClipboardCapture::remember_text(const QString& text, bool secret) {
    m_has_previous = true;
    m_previous_text = text;
    m_previous_secret = secret;
    m_previous_mime.reset();
}

void ClipboardCapture::remember_mime(const QMimeData* entry) {
    m_has_previous = true;
    m_previous_text.clear();
    m_previous_mime.reset(m_copier.copy_for_paste(entry));
}

void ClipboardCapture::forget() {
    m_has_previous = false;
    m_previous_text.clear();
    m_previous_mime.reset();
}

ClipboardOwner::Result ClipboardCapture::take_back(ClipboardOwner& owner) const {
    if (!m_has_previous)
        return {};
    QMimeData* content = nullptr;
    if (m_previous_mime) {
        content = m_copier.copy_for_paste(m_previous_mime.get());
    } else {
        content = new QMimeData;
        content->setText(m_previous_text);
        if (m_previous_secret)
            SecretContent::mark(content);
    }
    return owner.serve(content);
}

void ClipboardCapture::debug_stall() {
#ifndef NDEBUG
    static const int stall_ms = qEnvironmentVariableIntValue("CORVANA_DEBUG_CAPTURE_STALL_MS");
    if (stall_ms > 0) {
        qDebug("Capture: stalling %d ms", stall_ms);
        QThread::msleep(ulong(stall_ms));
    }
#endif
}
