#include "clipboard/MimeDataCopier.h"

#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardFetchPlan.h"
#include "clipboard/CopiedFileList.h"
#include "clipboard/CopyableFile.h"
#include "clipboard/PictureDecoder.h"
#include "common/AppLog.h"
#include "common/PrivateFiles.h"
#include "platform/ClipboardReader.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <utility>

namespace {
const QString png = QStringLiteral("image/png");
} // namespace

MimeDataCopier::MimeDataCopier(QString temp_root) : m_temp_root(std::move(temp_root)) {
    QObject::connect(
        &m_worker, &FileCopyWorker::copied, &m_guard,
        [this](int id, bool ok, const QString& error) { snapshot_copied(id, ok, error); });
}

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
            QString error;
            const QImage picture = PictureDecoder::decode(data.bytes, &error);
            if (!picture.isNull() && picture.save(&buffer, "PNG"))
                copy->setData(png, encoded);
            else
                failures->append(QStringLiteral("%1 (%2)").arg(format, error));
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
    if (!snapshot_files || m_temp_root.isEmpty())
        return;
    // A list of thousands of names is logged in a few lines, not one a file.
    constexpr int logged_skips = 10;
    const auto batch = std::make_shared<Batch>(copy);
    const QList<QUrl>& files = batch->lists.local_files();
    int taken = 0;
    int skipped = 0;
    int file = 0;
    qint64 bytes = 0;
    for (; file < files.size() && taken < max_snapshots_per_copy; ++file) {
        QString why;
        const qint64 size = snapshot_size(files[file].toLocalFile(), &why);
        if (size < 0) {
            if (++skipped <= logged_skips)
                qDebug().noquote() << why;
            continue;
        }
        if (bytes + size > max_snapshot_bytes_per_copy)
            break;
        if (snapshot(copy, batch, file)) {
            ++taken;
            bytes += size;
        }
    }
    if (skipped > logged_skips)
        qDebug().noquote() << QStringLiteral("%1 more files not snapshotted, keeping the originals")
                                  .arg(skipped - logged_skips);
    if (file < files.size())
        APP_LOG(QStringLiteral("A copy snapshots %1 files and %2 MB at most: %3 snapshotted, the "
                               "last %4 of the %5 files are pasted as the originals")
                    .arg(max_snapshots_per_copy)
                    .arg(size_in_mb(max_snapshot_bytes_per_copy))
                    .arg(taken)
                    .arg(files.size() - file)
                    .arg(files.size()));
}

qint64 MimeDataCopier::snapshot_size(const QString& path, QString* why) {
    const QFileInfo file(path);
    if (file.isFile() && file.size() > CopyableFile::max_bytes) {
        *why = QStringLiteral("Forget it, im not copying that (over %1 MB)")
                   .arg(size_in_mb(file.size()));
        return -1;
    }
    QString error;
    if (!CopyableFile::check(path, CopyableFile::max_bytes, &error)) {
        *why = QStringLiteral("Not snapshotted, keeping the original: ") + error;
        return -1;
    }
    qDebug() << "File size is: " << size_in_mb(file.size());
    return file.size();
}

bool MimeDataCopier::snapshot(CapturedMimeData* copy, const std::shared_ptr<Batch>& batch,
                              int file) {
    const QString path = batch->lists.local_files().at(file).toLocalFile();
    // Each snapshot gets a folder of its own: two files of the same name from different folders
    // must not end up as one.
    const QString folder = QStringLiteral("%1/temp/%2").arg(m_temp_root).arg(++m_snapshot_count);
    QString error;
    if (!PrivateFiles::ensure_dir(folder, &error)) {
        qDebug().noquote() << "Snapshot failed, keeping the original:" << error;
        return false;
    }
    const QString target = folder + QLatin1Char('/') + QFileInfo(path).fileName();
    const int id = m_worker.submit(path, target, CopyableFile::max_bytes);
    m_jobs.insert(id, Job{copy, batch, file, folder, target});
    ++batch->submitted;
    ++batch->pending;
    return true;
}

void MimeDataCopier::snapshot_copied(int id, bool ok, const QString& error) {
    const auto found = m_jobs.find(id);
    if (found == m_jobs.end())
        return; // a copy someone else asked for
    const Job job = *found;
    m_jobs.erase(found);
    const std::shared_ptr<Batch> batch = job.batch;
    --batch->pending;
    if (!ok || !job.entry) {
        // Better the original file than a link to a snapshot that does not exist.
        QDir(job.folder).removeRecursively();
        if (!ok)
            qDebug().noquote() << "Snapshot failed, keeping the original:" << error;
    } else {
        batch->lists.replace(job.file, QUrl::fromLocalFile(job.target));
        hold(job.entry, {job.folder});
        ++batch->made;
    }
    // Written once for the snapshots that are done by then: small files finish many at a time,
    // and a list of thousands is not rebuilt for each.
    if (batch->write_queued)
        return;
    batch->write_queued = true;
    ++m_queued_writes;
    QMetaObject::invokeMethod(
        &m_guard, [this, batch, entry = job.entry] { write_snapshots(*batch, entry); },
        Qt::QueuedConnection);
}

void MimeDataCopier::write_snapshots(Batch& batch, QMimeData* entry) {
    batch.write_queued = false;
    --m_queued_writes;
    if (entry)
        batch.lists.write_changes(entry);
    if (batch.pending == 0)
        APP_LOG(QStringLiteral("Snapshots of a copy done: %1 of %2 made")
                    .arg(batch.made)
                    .arg(batch.submitted));
}

void MimeDataCopier::hold(const QMimeData* data, const QStringList& folders) {
    if (folders.isEmpty())
        return;
    for (const QString& folder : folders)
        ++m_refs[folder];
    const auto held = m_folders_of.find(data);
    if (held != m_folders_of.end()) {
        *held += folders;
        return;
    }
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

void MimeDataCopier::prepare_temp_folder(const QTemporaryDir& folder) {
    if (!folder.isValid())
        return;
    APP_LOG(QStringLiteral("Temp dir is valid"));
    qDebug().noquote() << "Temp dir path is: " + folder.path();
    for (const char* sub : {"/curr", "/temp"}) {
        QDir dir(folder.path() + QLatin1String(sub));
        if (!dir.exists())
            dir.mkpath(QStringLiteral("."));
    }
}
