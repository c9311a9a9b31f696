#include "DesktopEntryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
bool has_control_character(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}
} // namespace

QString DesktopEntryFile::quote_exec(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    // Field codes start with "%"; a literal one is doubled.
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escape_string(quoted);
}

QString DesktopEntryFile::escape_string(const QString& value) {
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    escaped.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    // Readers drop the spaces before a value, and KDE's the ones after it; escaped ones stay.
    if (escaped.startsWith(QLatin1Char(' ')))
        escaped.replace(0, 1, QLatin1String("\\s"));
    if (escaped.endsWith(QLatin1Char(' ')))
        escaped.replace(escaped.size() - 1, 1, QLatin1String("\\s"));
    return escaped;
}

QString DesktopEntryFile::render(const Entry& entry, QString* error) {
    for (const QString* path : {&entry.executable, &entry.working_dir}) {
        if (path->isEmpty() || has_control_character(*path)) {
            if (error)
                *error = QStringLiteral("the path \"%1\" cannot go into a launcher").arg(*path);
            return QString();
        }
    }
    // A line break would start a key of its own; the format has no other control characters.
    if (has_control_character(entry.title)) {
        if (error)
            *error = QStringLiteral("the name \"%1\" cannot go into a launcher").arg(entry.title);
        return QString();
    }
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n");
    text += QStringLiteral("Name=") + escape_string(entry.title) + QLatin1Char('\n');
    text += QStringLiteral("Comment=Clipboard paste queue\n");
    text += QStringLiteral("Exec=") + quote_exec(entry.executable) + QLatin1Char('\n');
    // Once the program is removed (a package uninstalled, a folder deleted), the desktop skips
    // the entry instead of failing to start it at every login.
    text += QStringLiteral("TryExec=") + escape_string(entry.executable) + QLatin1Char('\n');
    text += QStringLiteral("Path=") + escape_string(entry.working_dir) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    if (entry.autostart)
        text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    text += QLatin1String(marker) + QLatin1Char('\n');
    return text;
}

bool DesktopEntryFile::write(const QString& path, const QString& text, bool executable,
                             QString* error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("the folder %1 cannot be created").arg(folder);
        return false;
    }
    if (QFileInfo(path).isDir()) {
        if (error)
            *error = QStringLiteral("%1 is a folder").arg(path);
        return false;
    }
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    QFile::Permissions permissions =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    // Desktops start only launchers marked executable.
    if (executable)
        permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QFile::setPermissions(path, permissions);
    return true;
}

bool DesktopEntryFile::is_ours(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Our files are small; a large one is not ours.
    const QByteArray head = file.read(64 * 1024);
    return head.split('\n').contains(QByteArray(marker));
}
