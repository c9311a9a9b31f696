#include "screenshot/ScreenshotFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QStandardPaths>

QString ScreenshotFile::timestamp_name(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy.MM.dd-hh.mm.ss")) + QStringLiteral("-screenshot");
}

QString ScreenshotFile::check_name(const QString& typed, QString* cleaned) {
    const QString name = typed.trimmed();
    if (name.isEmpty())
        return QStringLiteral("Please enter a name.");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("A name cannot contain / or \\.");
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("A name cannot contain control characters.");
    }
    if (name.contains(QLatin1String("..")))
        return QStringLiteral("A name cannot contain \"..\".");
    if (name.toUtf8().size() > max_name_bytes)
        return QStringLiteral("The name is too long (at most %1 letters).").arg(max_name_bytes);
    if (cleaned)
        *cleaned = name;
    return QString();
}

QString ScreenshotFile::target_folder(QString* error) {
    for (auto location : {QStandardPaths::DesktopLocation, QStandardPaths::PicturesLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (folder.isEmpty())
            continue;
        if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
            return folder;
    }
    if (error)
        *error = QStringLiteral("Neither the desktop folder nor the pictures folder can be used");
    return QString();
}

ScreenshotFile::Outcome ScreenshotFile::save(const QImage& image, const QString& folder,
                                             const QString& name) {
    Outcome out;
    if (image.isNull()) {
        out.error = QStringLiteral("There is no picture to save");
        return out;
    }
    constexpr int max_suffix = 999;
    QFile file;
    for (int n = 1; n <= max_suffix; ++n) {
        out.name = n == 1 ? name : name + QLatin1Char('-') + QString::number(n);
        out.path = folder + QLatin1Char('/') + out.name + QStringLiteral(".png");
        file.setFileName(out.path);
        // NewOnly claims the name atomically, so two saves in one second never share a file.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!file.exists()) {
            out.error = QStringLiteral("Cannot write %1: %2").arg(out.path, file.errorString());
            return out;
        }
    }
    if (!file.isOpen()) {
        out.error = QStringLiteral("Too many files named %1 in %2").arg(name, folder);
        return out;
    }
    QImageWriter writer(&file, "png");
    const bool written = writer.write(image) && file.flush();
    const QString why = written
                            ? QString()
                            : (writer.error() != QImageWriter::UnknownError ? writer.errorString()
                                                                            : file.errorString());
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        out.error = QStringLiteral("Cannot write %1: %2")
                        .arg(out.path, why.isEmpty() ? file.errorString() : why);
        file.remove();
        return out;
    }
    out.saved = true;
    return out;
}
