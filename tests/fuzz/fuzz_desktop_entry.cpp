// A launcher for any title, program path and working folder (three UTF-8 fields split by NUL
// bytes; a fourth field, when there is one, asks for autostart). A launcher that is written
// must read back, by the rules of the Desktop Entry format, as exactly the keys we wrote with
// exactly the values we meant: no value adds a line or a key, and the program runs with its path
// as one argument. A launcher that cannot be written says why.
#include "FuzzSupport.h"
#include "platform/x11/DesktopEntryFile.h"

#include <QFile>
#include <QRegularExpression>

namespace {
// A value of the string type as a reader takes it: spaces after "=" dropped, then the escapes.
bool unescape(QString value, QString* out) {
    while (value.startsWith(QLatin1Char(' ')) || value.startsWith(QLatin1Char('\t')))
        value.remove(0, 1);
    out->clear();
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\')) {
            *out += value[i];
            continue;
        }
        const int escape = ++i < value.size() ? QStringLiteral("sntr\\").indexOf(value[i]) : -1;
        if (escape < 0)
            return false;
        *out += QLatin1Char(" \n\t\r\\"[escape]);
    }
    // KDE also drops the spaces at the end: an escaped one is kept by all.
    return !out->endsWith(QLatin1Char(' ')) || value.endsWith(QLatin1String("\\s"));
}

// The one argument of an Exec value: "%%" is a literal "%" and any other "%" a field code; the
// argument is in double quotes, inside which '"', '`', '$' and '\' are escaped by a backslash.
bool exec_argument(QString exec, QString* out) {
    static const QRegularExpression percents(QStringLiteral("^(?:[^%]|%%)*$"));
    static const QRegularExpression quoted(QStringLiteral("^\"(?:[^\"`$\\\\]|\\\\[\"`$\\\\])*\"$"));
    if (!percents.match(exec).hasMatch())
        return false;
    exec.replace(QLatin1String("%%"), QLatin1String("%"));
    if (!quoted.match(exec).hasMatch())
        return false;
    *out = exec.mid(1, exec.size() - 2);
    out->replace(QRegularExpression(QStringLiteral("\\\\(.)")), QStringLiteral("\\1"));
    return true;
}
} // namespace

void fuzz_one(const QByteArray& input) {
    const QList<QByteArray> fields = input.split('\0');
    DesktopEntryFile::Entry entry{QString::fromUtf8(fields.value(0)),
                                  QString::fromUtf8(fields.value(1)),
                                  QString::fromUtf8(fields.value(2)), fields.size() > 3};
    QString error;
    const QString text = DesktopEntryFile::render(entry, &error);
    const bool writable = !entry.executable.isEmpty() && !entry.working_dir.isEmpty() &&
                          !(entry.title + entry.executable + entry.working_dir)
                               .contains(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")));
    FUZZ_CHECK(text.isEmpty() == !writable);
    if (text.isEmpty()) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }

    QStringList lines = text.split(QLatin1Char('\n'));
    FUZZ_CHECK(lines.takeLast().isEmpty()); // ends with a line break
    FUZZ_CHECK(lines.takeFirst() == QLatin1String("[Desktop Entry]"));
    QMap<QString, QString> keys;
    for (const QString& line : lines) {
        const int equals = line.indexOf(QLatin1Char('='));
        FUZZ_CHECK(equals > 0);
        const QString key = line.left(equals).trimmed();
        for (const QChar c : key)
            FUZZ_CHECK(c.isLetterOrNumber() || c == QLatin1Char('-'));
        FUZZ_CHECK(!keys.contains(key));
        QString value;
        FUZZ_CHECK(unescape(line.mid(equals + 1), &value));
        keys.insert(key, value);
    }
    QStringList expected =
        QStringLiteral("Comment Exec Name Path Terminal TryExec Type Version X-Corvana-Created")
            .split(' ');
    if (entry.autostart)
        expected << "X-GNOME-Autostart-enabled"; // sorts last
    FUZZ_CHECK(keys.keys() == expected);
    FUZZ_CHECK(keys.value("Name") == entry.title);
    FUZZ_CHECK(keys.value("Path") == entry.working_dir);
    FUZZ_CHECK(keys.value("Type") == QLatin1String("Application"));
    QString program;
    FUZZ_CHECK(exec_argument(keys.value("Exec"), &program));
    FUZZ_CHECK(program == entry.executable);
    FUZZ_CHECK(keys.value("TryExec") == entry.executable);

    // Written and read back as ours.
    const QString path = FuzzSupport::fresh_folder("launchers") + "/corvana.desktop";
    if (!DesktopEntryFile::write(path, text, entry.autostart, &error))
        FuzzSupport::fail("the launcher is written", error.toUtf8());
    FUZZ_CHECK(DesktopEntryFile::is_ours(path));
    QFile written(path);
    FUZZ_CHECK(written.open(QIODevice::ReadOnly) && written.readAll() == text.toUtf8());
}
