#include "clipboard/MimeDataCopier.h"

#include "app/AppLog.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <utility>

MimeDataCopier::MimeDataCopier(QString temp_root) : m_temp_root(std::move(temp_root)) {}

QString MimeDataCopier::format_key(const QString& format) {
    const int first = format.indexOf(QLatin1Char('"'));
    if (first < 0)
        return format;
    const int second = format.indexOf(QLatin1Char('"'), first + 1);
    if (second < 0)
        return format;
    return format.mid(first + 1, second - first - 1);
}

QMimeData* MimeDataCopier::copy(const QMimeData* source, const QString& subfolder,
                                bool snapshot_files, const QString& method_name) {
    APP_LOG(QStringLiteral("START %1(const QMimeData *mime_data_reference)").arg(method_name));
    auto* copy = new QMimeData;
    if (!source) {
        APP_LOG(QStringLiteral("END %1(const QMimeData *mime_data_reference)").arg(method_name));
        return copy;
    }

    // The format list is asked for once: every question to a clipboard owner that does not
    // answer costs a full time-out.
    const QStringList formats = source->formats();
    const auto has = [&formats](const char* format) {
        return formats.contains(QLatin1String(format));
    };
    for (const QString& format : formats) {
        const QString key = format_key(format);
        copy->setData(key, source->data(key));
    }
    if (has("text/html")) {
        APP_LOG(QStringLiteral("mime_data_reference hasHtml"));
        copy->setHtml(source->html());
    }
    if (has("application/x-color")) {
        APP_LOG(QStringLiteral("mime_data_reference hasColor"));
        copy->setColorData(source->colorData());
    }
    if (has("text/uri-list")) {
        APP_LOG(QStringLiteral("mime_data_reference hasUrls"));
        QList<QUrl> urls = source->urls();
        if (snapshot_files) {
            for (QUrl& url : urls)
                url = snapshot(url, subfolder);
        }
        copy->setUrls(urls);
    }
    if (has("text/plain") || has("text/uri-list")) { // as QMimeData::hasText counts them
        APP_LOG(QStringLiteral("mime_data_reference hasText"));
        copy->setText(source->text());
    }
    if (has("application/x-qt-image")) {
        APP_LOG(QStringLiteral("mime_data_reference hasImage"));
        copy->setImageData(source->imageData());
    }
    APP_LOG(QStringLiteral("END %1(const QMimeData *mime_data_reference)").arg(method_name));
    return copy;
}

QUrl MimeDataCopier::snapshot(const QUrl& url, const QString& subfolder) {
    if (!url.isLocalFile() || m_temp_root.isEmpty())
        return url;
    const QFileInfo file(url.toLocalFile());
    if (!file.isFile())
        return url;
    const qint64 mb = size_in_mb(file.size());
    if (mb > max_snapshot_mb) {
        qDebug().noquote() << QStringLiteral("Forget it, im not copying that (over %1 MB)").arg(mb);
        return url;
    }
    qDebug() << "File size is: " << mb;
    // Each snapshot gets a folder of its own: two files of the same name from different folders
    // must not end up as one.
    const QString folder =
        QStringLiteral("%1/%2/%3").arg(m_temp_root, subfolder).arg(++m_snapshot_count);
    const QString target = folder + QLatin1Char('/') + file.fileName();
    if (!QDir().mkpath(folder) || !QFile::copy(file.absoluteFilePath(), target)) {
        // Better the original file than a link to a snapshot that does not exist.
        qDebug().noquote() << "Snapshot failed, keeping the original:" << file.absoluteFilePath();
        return url;
    }
    return QUrl::fromLocalFile(target);
}
