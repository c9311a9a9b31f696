#pragma once

#include <QString>
#include <QUrl>

class QMimeData;

// Deep copies of clipboard contents. Copied files of 10 MB or less are snapshotted into the
// run's temporary folder so that an entry still pastes after the original file changed.
class MimeDataCopier {
public:
    static constexpr qint64 max_snapshot_mb = 10;

    explicit MimeDataCopier(QString temp_root = QString());
    void set_temp_root(const QString& temp_root) { m_temp_root = temp_root; }

    // A new object the caller owns. subfolder is "temp" (history) or "curr" (being pasted).
    QMimeData* copy(const QMimeData* source, const QString& subfolder, bool snapshot_files,
                    const QString& method_name);

    // The clipboard format name under which data is stored: native format names carry the
    // real name between double quotes.
    static QString format_key(const QString& format);
    // Whole megabytes, counted in thousands as file managers show them.
    static qint64 size_in_mb(qint64 bytes) { return bytes / 1000 / 1000; }

private:
    QUrl snapshot(const QUrl& url, const QString& subfolder);

    QString m_temp_root;
    int m_snapshot_count = 0;
};
