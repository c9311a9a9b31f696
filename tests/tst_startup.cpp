#include "AppHarness.h"
#include "common/DataPaths.h"
#include "platform/x11/XdgAutostart.h"
#include "platform/x11/XdgShellLinks.h"
#include "startup/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {
using Place = ShellLinks::Place;

QString home() {
    return QDir::homePath();
}
QString applications() {
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
}
QString desktop() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}
QString autostart_file() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/Corvana.desktop");
}

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList lines_with(const QString& text, const QString& key) {
    QStringList found;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.startsWith(key))
            found << line;
    return found;
}

// Every file under the folder, relative to it.
QStringList tree(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    FakeAutostart& autostart() { return FakePlatform::get().fake_autostart(); }
    FakeShellLinks& links() { return FakePlatform::get().fake_shell_links(); }
    Startup startup() {
        return Startup(autostart(), links(), FakePlatform::get().uninstaller_name());
    }

    void set_setting(const char* key, const QVariant& value) {
        QSettings settings(AppHarness::settings_file(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("SaveVersion"), QStringLiteral("2"));
        settings.setValue(QLatin1String(key), value);
    }
    void start_and_quit() { AppHarness::make_app().reset(); }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        autostart().reset();
        links().reset();
        QDir(home()).removeRecursively();
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .removeRecursively();
        QDir().mkpath(home());
    }

    // ---- At start, on the fake platform ----

    void the_first_start_makes_the_launchers_once() {
        set_setting("CreateShortcutsAutomatically", false);
        start_and_quit();
        QCOMPARE(links().requests().size(), 0);
        AppHarness::remove_settings();
        start_and_quit();
        // Not installed: no uninstaller beside the program, and no launcher for one.
        QList<ShellLinks::Link> made = links().requests();
        QCOMPARE(made.size(), 2);
        const QString exe = QCoreApplication::applicationFilePath();
        QCOMPARE(made[0].place, Place::Applications);
        QCOMPARE(made[0].folder, QStringLiteral("Corvana"));
        QCOMPARE(made[0].target, exe);
        QCOMPARE(made[1].place, Place::Desktop);
        QCOMPARE(made[1].target, exe);
        for (const auto& link : made) {
            QCOMPARE(link.working_dir, DataPaths::get().data_root());
            QVERIFY(QFileInfo(link.working_dir).isDir());
        }
        start_and_quit();
        QCOMPARE(links().requests().size(), 2);

        // Installed: the uninstaller the platform names is linked from the menu.
        const QString uninstaller = QCoreApplication::applicationDirPath() + "/uninstall";
        write(uninstaller, "#!/bin/sh\n");
        links().reset();
        const bool made_all = startup().create_shell_shortcuts();
        QFile::remove(uninstaller);
        QVERIFY(made_all);
        made = links().requests();
        QCOMPARE(made.size(), 3);
        QCOMPARE(made[1].name, QStringLiteral("uninstall"));
        QCOMPARE(made[1].folder, QStringLiteral("Corvana"));
        QCOMPARE(made[1].target, uninstaller);

        // A package's menu entry is there: no second one of our own, the desktop link still.
        write(applications() + "/com.tavrinlabs.Corvana.desktop", "[Desktop Entry]\n");
        links().reset();
        QVERIFY(startup().create_shell_shortcuts());
        QCOMPARE(links().requests().size(), 1);
        QCOMPARE(links().requests()[0].place, Place::Desktop);
    }

    void start_at_login_follows_the_setting_at_every_start() {
        start_and_quit();
        QVERIFY(autostart().enabled());
        QCOMPARE(autostart().executable(), QCoreApplication::applicationFilePath());
        QCOMPARE(autostart().writes(), 1);
        start_and_quit();
        QCOMPARE(autostart().writes(), 1); // unchanged: not rewritten

        set_setting("StartAtStartup", false);
        start_and_quit();
        QVERIFY(!autostart().enabled());
        start_and_quit();
        QVERIFY(!autostart().enabled());
        QCOMPARE(autostart().writes(), 1);
    }

    void failures_are_logged_and_the_program_goes_on() {
        autostart().set_fail(true);
        links().set_fail(true);
        auto app = AppHarness::make_app();
        QVERIFY(app->isVisible()); // the first start still shows the main window
        QVERIFY(!startup().enable_start_at_login());
        QVERIFY(!startup().create_shell_shortcuts());
        QVERIFY(!startup().disable_start_at_login());
    }

    // ---- The XDG files ----

    void the_autostart_entry() {
        XdgAutostart entry;
        QCOMPARE(XdgAutostart::entry_path(), autostart_file());
        QVERIFY(entry.disable(nullptr)); // nothing to remove is fine
        QString error;
        QVERIFY2(entry.enable("/opt/my apps/corvana", "/data dir", &error), qPrintable(error));
        const QString text = read(autostart_file());
        QCOMPARE(lines_with(text, "Exec="), QStringList({"Exec=\"/opt/my apps/corvana\""}));
        QCOMPARE(lines_with(text, "TryExec="), QStringList({"TryExec=/opt/my apps/corvana"}));
        QCOMPARE(lines_with(text, "Path="), QStringList({"Path=/data dir"}));
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.matches("/opt/my apps/corvana", "/data dir"));

        // Moved: no longer matches, and enabling again rewrites it.
        QVERIFY(!entry.matches("/usr/bin/corvana", "/data dir"));
        QVERIFY(entry.enable("/usr/bin/corvana", "/data dir", &error));
        QCOMPARE(lines_with(read(autostart_file()), "Exec="),
                 QStringList({"Exec=\"/usr/bin/corvana\""}));

        QVERIFY(entry.disable(&error));
        QVERIFY(!QFile::exists(autostart_file()));
    }

    // The quoting of every value is the desktop_entry fuzz target's property.
    void an_autostart_entry_that_cannot_be_written() {
        QString error;
        QVERIFY(!XdgAutostart().enable("/bad\nExec=evil", "/d", &error));
        QVERIFY(!QFile::exists(autostart_file()));
        write(QFileInfo(autostart_file()).absolutePath(), "a file where the folder goes");
        QVERIFY(!XdgAutostart().enable("/c", "/d", &error));
        QVERIFY(!error.isEmpty());
        QDir().remove(QFileInfo(autostart_file()).absolutePath());
        QVERIFY(QDir().mkpath(autostart_file()));
        QVERIFY(!XdgAutostart().enable("/c", "/d", &error));
        QVERIFY(!XdgAutostart().disable(&error));
        QVERIFY(QFileInfo(autostart_file()).isDir());
    }

    void launchers() {
        XdgShellLinks shell;
        QString error;
        const ShellLinks::Link menu{Place::Applications, "Corvana",        "Corvana",
                                    "Corvana",           "/opt/c/corvana", "/data"};
        const ShellLinks::Link on_desktop{Place::Desktop,   "",     "Corvana", "Corvana",
                                          "/opt/c/corvana", "/data"};
        QVERIFY2(shell.create(menu, &error), qPrintable(error));
        QVERIFY(QFile::exists(applications() + "/Corvana/Corvana.desktop"));

        // No desktop folder: none is made for a launcher.
        QVERIFY(!shell.create(on_desktop, &error));
        QVERIFY(!QFileInfo::exists(desktop()));
        QVERIFY(QDir().mkpath(desktop()));
        QVERIFY(shell.create(on_desktop, &error));
        QVERIFY(QFileInfo(desktop() + "/Corvana.desktop").isExecutable());

        // A file of that name that is not ours stays as it was; a folder is not replaced.
        write(applications() + "/Corvana/uninstall.desktop", "mine");
        QVERIFY(!shell.create(
            {Place::Applications, "Corvana", "uninstall", "Uninstall", "/opt/c/uninstall", "/data"},
            &error));
        QCOMPARE(read(applications() + "/Corvana/uninstall.desktop"), QStringLiteral("mine"));
        QFile::remove(desktop() + "/Corvana.desktop");
        QVERIFY(QDir().mkpath(desktop() + "/Corvana.desktop"));
        QVERIFY(!shell.create(on_desktop, &error));
        QVERIFY(QFileInfo(desktop() + "/Corvana.desktop").isDir());
    }

    void the_uninstall_script_removes_exactly_what_was_made() {
        QVERIFY(QDir().mkpath(desktop()));
        XdgShellLinks shell;
        XdgAutostart entry;
        QString error;
        for (const char* name : {"Corvana", "uninstall"})
            QVERIFY(shell.create({Place::Applications, "Corvana", name, name, "/c", "/d"}, &error));
        QVERIFY(shell.create({Place::Desktop, "", "Corvana", "Corvana", "/c", "/d"}, &error));
        QVERIFY(entry.enable("/c", "/d", &error));
        // What the user has beside them stays.
        const QStringList keep = {
            QStringLiteral("Desktop/notes.desktop"),
            QStringLiteral(".local/share/applications/Corvana/extra.desktop"),
            QStringLiteral(".local/share/applications/other.desktop"),
            QStringLiteral(".config/autostart/Other.desktop"),
        };
        for (const QString& file : keep)
            write(home() + "/" + file, "[Desktop Entry]\nName=Corvana\n");

        const auto uninstall = [] {
            return QProcess::execute(QStringLiteral(CORVANA_UNINSTALL_SCRIPT), QStringList());
        };
        QCOMPARE(uninstall(), 0);
        QCOMPARE(tree(home()), [&] {
            QStringList sorted = keep;
            sorted.sort();
            return sorted;
        }());

        // Without the extra file the menu folder goes too; a second run finds nothing to do.
        QFile::remove(home() + "/" + keep[1]);
        QCOMPARE(uninstall(), 0);
        QVERIFY(!QFileInfo::exists(applications() + "/Corvana"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
