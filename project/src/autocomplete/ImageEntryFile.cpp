#include "autocomplete/ImageEntryFile.h"

#include <QDir>
#include <QFileInfo>

QString ImageEntryFile::path(const QString& images_dir, const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QString();
    const QFileInfo file(images_dir + QLatin1Char('/') + name);
    if (!file.isFile())
        return QString();
    const QString folder = QFileInfo(images_dir).canonicalFilePath();
    const QString real = file.canonicalFilePath();
    if (folder.isEmpty() || QFileInfo(real).path() != folder)
        return QString();
    return real;
}
