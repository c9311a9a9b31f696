#include "clipboard/ClipboardImageSaver.h"

#include "app/PrivateFiles.h"

#include <QDir>
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
    if (!write(m_images_dir + QLatin1Char('/') + name, &error))
        return {Result::Failed, name, error};
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

bool ClipboardImageSaver::copy_file(const QString& path, QString* name, QString* error) const {
    *name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!PrivateFiles::ensure_dir(m_images_dir, error))
        return false;
    return PrivateFiles::copy_new(path, m_images_dir + QLatin1Char('/') + *name, error);
}
