#include "XdgShellLinks.h"

#include "DesktopEntryFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString XdgShellLinks::path_for(const Link& link) {
    const auto location = link.place == Place::Applications ? QStandardPaths::ApplicationsLocation
                                                            : QStandardPaths::DesktopLocation;
    QString folder = QStandardPaths::writableLocation(location);
    if (!link.folder.isEmpty())
        folder += QLatin1Char('/') + link.folder;
    return folder + QLatin1Char('/') + link.name + QStringLiteral(".desktop");
}

bool XdgShellLinks::create(const Link& link, QString* error) {
    const QString path = path_for(link);
    // The desktop folder is the user's: one that does not exist is not made for a launcher.
    if (link.place == Place::Desktop && !QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        if (error)
            *error =
                QStringLiteral("there is no desktop folder %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) &&
        !(info.isFile() && DesktopEntryFile::is_ours(path))) {
        if (error)
            *error = QStringLiteral("%1 exists and was not made by us; left alone").arg(path);
        return false;
    }
    const QString text =
        DesktopEntryFile::render({link.title, link.target, link.working_dir, false}, error);
    return !text.isEmpty() &&
           DesktopEntryFile::write(path, text, link.place == Place::Desktop, error);
}
