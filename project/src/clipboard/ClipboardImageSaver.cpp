#include "clipboard/ClipboardImageSaver.h"

#include "app/AppLog.h"
#include "app/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <utility>

ClipboardImageSaver::ClipboardImageSaver(QString images_dir)
    : m_images_dir(std::move(images_dir)) {}

int ClipboardImageSaver::entry_count() const {
    return QDir(m_images_dir)
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
        .size();
}

ClipboardImageSaver::Outcome ClipboardImageSaver::save_image(const QImage& image) const {
    if (!DataPaths::ensure_private_dir(m_images_dir)) {
        APP_LOG(QStringLiteral("Cannot save images: %1 is not a folder").arg(m_images_dir));
        return {Result::Failed, QString()};
    }
    int n = entry_count() + 1;
    if (n > max_entries)
        return {Result::Full, QString()};
    // After a deletion the count can point at an existing image; never overwrite one.
    while (QFileInfo::exists(QStringLiteral("%1/image%2.png").arg(m_images_dir).arg(n))) {
        if (++n > max_entries)
            return {Result::Full, QString()};
    }
    const QString name = QStringLiteral("image%1.png").arg(n);
    const QString path = m_images_dir + QLatin1Char('/') + name;
    if (image.isNull() || !image.save(path, "PNG", 100))
        return {Result::Failed, name};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return {Result::Saved, name};
}

bool ClipboardImageSaver::copy_file(const QString& path, QString* name) const {
    *name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!DataPaths::ensure_private_dir(m_images_dir))
        return false;
    return QFile::copy(path, m_images_dir + QLatin1Char('/') + *name);
}
