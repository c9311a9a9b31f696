#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;
class SecretMarks;

// The text of "Show Debug Info": the position, then every entry of both histories with its
// formats. Entries marked secret show as "[secret]" in either history.
class HistoryDebugText {
public:
    static QString text(int position, const QList<QMimeData*>& mime_history,
                        const QStringList& text_history, const SecretMarks& text_secrets);
};
