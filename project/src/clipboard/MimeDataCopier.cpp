#include "clipboard/MimeDataCopier.h"

#include "app/AppLog.h"
#include "app/PrivateFiles.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardFetchPlan.h"
#include "platform/ClipboardReader.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <utility>

namespace {
const QString png = QStringLiteral("image/png");
const QString uri_list = QStringLiteral("text/uri-list");
} // namespace

MimeDataCopier::MimeDataCopier(QString temp_root) : m_temp_root(std::move(temp_root)) {}

QString MimeDataCopier::format_key(const QString& format) {
    // Only Qt's wrapper of a native name is unwrapped; any other name with quotes in it is its
    // own key, so that it cannot stand in for another format.
    static const QString wrapper = QStringLiteral("application/x-qt-windows-mime;value=\"");
    if (!format.startsWith(wrapper) || !format.endsWith(QLatin1Char('"')) ||
        format.size() <= wrapper.size() + 1)
        return format;
    const QString name = format.mid(wrapper.size(), format.size() - wrapper.size() - 1);
    return name.contains(QLatin1Char('"')) ? format : name;
}

CapturedMimeData* MimeDataCopier::capture(ClipboardReader& reader, const QStringList& offered,
                                          bool snapshot_files, QStringList* failures) {
    APP_LOG(
        QStringLiteral("START get_mime_data_object_copy(const QMimeData *mime_data_reference)"));
    auto* copy = new CapturedMimeData;
    const ClipboardFetchPlan plan(offered);
    for (const QString& format : plan.formats()) {
        const ClipboardReader::Data data = reader.fetch(format);
        if (!data.ok) {
            failures->append(QStringLiteral("%1 (%2)").arg(format, data.error));
            continue;
        }
        const QString key = format_key(format);
        if (key != format && offered.contains(key))
            continue; // the owner offers the real format as well: that one is kept
        if (format != plan.picture())
            copy->setData(key, data.bytes);
        else if (plan.picture_is_png())
            copy->setData(png, data.bytes);
        else {
            // Converted once, here, so the entry always holds a lossless picture.
            QByteArray encoded;
            QBuffer buffer(&encoded);
            buffer.open(QIODevice::WriteOnly);
            if (QImage::fromData(data.bytes).save(&buffer, "PNG"))
                copy->setData(png, encoded);
            else
                failures->append(format + QStringLiteral(" (not a readable picture)"));
            if (format == QLatin1String("image/jpeg") || format == QLatin1String("image/gif"))
                copy->setData(format, data.bytes); // kept natively as well
        }
    }
    if (copy->QMimeData::hasFormat(png))
        copy->set_image_source(png);
    snapshot_urls(copy, snapshot_files);
    log_contents(copy);
    APP_LOG(QStringLiteral("END get_mime_data_object_copy(const QMimeData *mime_data_reference)"));
    return copy;
}

CapturedMimeData* MimeDataCopier::copy(const QMimeData* source, bool snapshot_files,
                                       const QString& method_name) {
    APP_LOG(QStringLiteral("START %1(const QMimeData *mime_data_reference)").arg(method_name));
    CapturedMimeData* copy = CapturedMimeData::clone_of(source);
    snapshot_urls(copy, snapshot_files);
    log_contents(copy);
    APP_LOG(QStringLiteral("END %1(const QMimeData *mime_data_reference)").arg(method_name));
    return copy;
}

CapturedMimeData* MimeDataCopier::copy_for_paste(const QMimeData* entry) {
    const auto* captured = qobject_cast<const CapturedMimeData*>(entry);
    CapturedMimeData* copy = captured ? captured->clone() : CapturedMimeData::clone_of(entry);
    hold(copy, m_folders_of.value(entry));
    return copy;
}

void MimeDataCopier::log_contents(const QMimeData* copy) const {
    if (copy->hasHtml())
        APP_LOG(QStringLiteral("mime_data_reference hasHtml"));
    if (copy->hasColor())
        APP_LOG(QStringLiteral("mime_data_reference hasColor"));
    if (copy->hasUrls())
        APP_LOG(QStringLiteral("mime_data_reference hasUrls"));
    if (copy->hasText())
        APP_LOG(QStringLiteral("mime_data_reference hasText"));
    if (copy->hasImage())
        APP_LOG(QStringLiteral("mime_data_reference hasImage"));
}

void MimeDataCopier::snapshot_urls(CapturedMimeData* copy, bool snapshot_files) {
    if (!snapshot_files || !copy->QMimeData::hasFormat(uri_list))
        return;
    QStringList folders;
    QList<QUrl> urls = copy->urls();
    for (QUrl& url : urls)
        url = snapshot(url, &folders);
    copy->setUrls(urls);
    hold(copy, folders);
}

QUrl MimeDataCopier::snapshot(const QUrl& url, QStringList* folders) {
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
    const QString folder = QStringLiteral("%1/temp/%2").arg(m_temp_root).arg(++m_snapshot_count);
    const QString target = folder + QLatin1Char('/') + file.fileName();
    QString error;
    if (!PrivateFiles::ensure_dir(folder, &error) ||
        !PrivateFiles::copy_new(file.absoluteFilePath(), target, &error)) {
        // Better the original file than a link to a snapshot that does not exist.
        QDir(folder).removeRecursively();
        qDebug().noquote() << "Snapshot failed, keeping the original:" << error;
        return url;
    }
    folders->append(folder);
    return QUrl::fromLocalFile(target);
}

void MimeDataCopier::hold(const QMimeData* data, const QStringList& folders) {
    if (folders.isEmpty())
        return;
    for (const QString& folder : folders)
        ++m_refs[folder];
    m_folders_of.insert(data, folders);
    QObject::connect(data, &QObject::destroyed, &m_guard, [this, data] {
        const QStringList held = m_folders_of.take(data);
        for (const QString& folder : held)
            release(folder);
    });
}

void MimeDataCopier::release(const QString& folder) {
    auto it = m_refs.find(folder);
    if (it == m_refs.end() || --*it > 0)
        return;
    m_refs.erase(it);
    QDir(folder).removeRecursively();
}
