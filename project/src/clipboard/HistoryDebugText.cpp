#include "clipboard/HistoryDebugText.h"

#include "clipboard/SecretContent.h"
#include "clipboard/SecretMarks.h"

#include <QMimeData>

namespace {
const QString secret_line = QStringLiteral(": [secret]\n");
}

QString HistoryDebugText::text(int position, const QList<QMimeData*>& mime_history,
                               const QStringList& text_history, const SecretMarks& text_secrets) {
    QString text = QStringLiteral("Current clipboard history position:") +
                   QString::number(position) + QLatin1Char('\n');
    for (int i = 0; i < mime_history.size(); ++i) {
        const QMimeData* entry = mime_history.at(i);
        if (SecretContent::is_secret(entry)) {
            text += QString::number(i) + secret_line;
            continue;
        }
        text += QString::number(i) + QStringLiteral(": {");
        for (const QString& format : entry->formats())
            text += QStringLiteral("{format:") + format + QStringLiteral(", mime_data:") +
                    QString::fromLocal8Bit(entry->data(format)) + QStringLiteral("}, ");
        text += QStringLiteral("}\n");
    }
    for (int i = 0; i < text_history.size(); ++i) {
        if (text_secrets.is_secret(i))
            text += QString::number(i) + secret_line;
        else
            text +=
                QString::number(i) + QStringLiteral(": ") + text_history.at(i) + QLatin1Char('\n');
    }
    return text;
}
