#include "clipboard/SecretContent.h"

#include <QMimeData>
#include <algorithm>

bool SecretContent::is_secret(const QMimeData* data) {
    return data && data->hasFormat(QLatin1String(hint_format())) &&
           data->data(QLatin1String(hint_format())).trimmed() == "secret";
}

void SecretContent::mark(QMimeData* data) {
    data->setData(QLatin1String(hint_format()), "secret");
}

QString SecretContent::log_preview(const QString& text, bool secret) {
    const QString length = QStringLiteral("(%1 characters)").arg(text.size());
    if (secret)
        return QStringLiteral("[secret] ") + length;
    int cut = std::min(int(text.size()), preview_length);
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut; // never half a character
    QString shown = text.left(cut);
    // One log line per copy, whatever the text holds.
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    if (text.size() > preview_length)
        shown += QStringLiteral("...");
    return shown + QLatin1Char(' ') + length;
}
