#include "clipboard/ClipboardImageSaver.h"

#include "clipboard/CopyableFile.h"
#include "clipboard/FileCopyWorker.h"
#include "clipboard/MimeDataCopier.h"
#include "common/AppLog.h"
#include "common/PrivateFiles.h"
#include "platform/DiskFiles.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <utility>

ClipboardImageSaver::ClipboardImageSaver(QString images_dir)
    : m_images_dir(std::move(images_dir)) {}

int ClipboardImageSaver::entry_count() const {
    return QDir(m_images_dir)
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
        .size();
}

template <typename Write>
ClipboardImageSaver::Outcome ClipboardImageSaver::save(Write write) const {
    QString error;
    if (!PrivateFiles::ensure_dir(m_images_dir, &error))
        return {Result::Failed, QString(), error};
    int n = entry_count() + 1;
    if (n > max_entries)
        return {Result::Full, QString(), QString()};
    // After a deletion the count can point at an existing image; never overwrite one.
    while (QFileInfo::exists(QStringLiteral("%1/image%2.png").arg(m_images_dir).arg(n))) {
        if (++n > max_entries)
            return {Result::Full, QString(), QString()};
    }
    const QString name = QStringLiteral("image%1.png").arg(n);
    const QString path = m_images_dir + QLatin1Char('/') + name;
    if (!write(path, &error))
        return {Result::Failed, name, error};
    // Its bytes reached the disk before the rename; its name in the folder does now.
    if (!DiskFiles::sync_folder(m_images_dir, &error))
        APP_LOG(QStringLiteral("%1 may not be on disk yet: %2").arg(path, error));
    return {Result::Saved, name, QString()};
}

ClipboardImageSaver::Outcome ClipboardImageSaver::save_image(const QImage& image) const {
    return save([&image](const QString& path, QString* error) {
        return PrivateFiles::save_image_new(path, image, error);
    });
}

ClipboardImageSaver::Outcome ClipboardImageSaver::save_png(const QByteArray& png) const {
    return save([&png](const QString& path, QString* error) {
        return PrivateFiles::write_new(path, png, error);
    });
}

bool ClipboardImageSaver::copy_file(const QString& path, FileCopyWorker& copier, QString* name,
                                    QString* error) const {
    *name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!CopyableFile::check(path, CopyableFile::max_bytes, error) ||
        !PrivateFiles::ensure_dir(m_images_dir, error))
        return false;
    copier.submit(path, m_images_dir + QLatin1Char('/') + *name, CopyableFile::max_bytes);
    return true;
}

ClipboardImageSaver::Outcome ClipboardImageSaver::save_entry(const QMimeData* entry,
                                                             FileCopyWorker& copier) const {
    if (entry->hasUrls()) {
        Outcome outcome{Result::Saved, QString(), QString()};
        for (const QUrl& url : entry->urls()) {
            if (!url.isLocalFile())
                continue;
            const QString path = url.toLocalFile();
            const QFileInfo file(path);
            const qint64 mb = MimeDataCopier::size_in_mb(file.size());
            if (file.isFile() && file.size() > CopyableFile::max_bytes) {
                qDebug().noquote()
                    << QStringLiteral("Forget it, im not copying that (over %1 MB)").arg(mb);
                continue;
            }
            qDebug() << "File size is: " << mb;
            QString error;
            if (!copy_file(path, copier, &outcome.name, &error))
                APP_LOG(QStringLiteral("Not copied into the images folder: ") + error);
        }
        return outcome;
    }
    const QString png = QStringLiteral("image/png");
    const Outcome outcome = entry->formats().contains(png)
                                ? save_png(entry->data(png))
                                : save_image(qvariant_cast<QImage>(entry->imageData()));
    if (outcome.result == Result::Full)
        APP_LOG(QStringLiteral("The images folder is full; the image was not saved"));
    else if (outcome.result == Result::Failed)
        APP_LOG(QStringLiteral("Image not saved: ") + outcome.error);
    qDebug() << (outcome.result == Result::Saved ? "Image saved" : "Image save failed");
    return outcome;
}
