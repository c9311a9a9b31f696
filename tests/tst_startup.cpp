#include "AppHarness.h"
#include "TestWidgets.h"
#include "platform/x11/XdgAutostart.h"
#include "platform/x11/XdgShellLinks.h"
#include "startup/Startup.h"

#include <QtTest>

using Place = ShellLinks::Place;
using SP = QStandardPaths;

class TestStartup : public QObject {
    Q_OBJECT

    static QString applications() { return SP::writableLocation(SP::ApplicationsLocation); }
    static QString desktop() { return SP::writableLocation(SP::DesktopLocation); }
    static QString autostart_file() {
        return SP::writableLocation(SP::GenericConfigLocation) + "/autostart/Corvana.desktop";
    }
    FakeAutostart& autostart() { return FakePlatform::get().autostart(); }
    FakeShellLinks& links() { return FakePlatform::get().shell_links(); }
    void refuse(bool fail) {
        autostart().set_fail(fail);
        links().set_fail(fail);
    }
    Startup startup() {
        return Startup(autostart(), links(), FakePlatform::get().uninstaller_name());
    }
    // "menu|desktop folder/name target" of every launcher asked for, in order; each starts in
    // the data folder, which is made for it.
    QStringList made() {
        QStringList list;
        for (const ShellLinks::Link& link : links().requests())
            list << (link.place == Place::Desktop ? "desktop " : "menu ") + link.folder + '/' +
                        link.name + ' ' + link.target +
                        (link.working_dir == DataPaths::get().data_root() &&
                                 QFileInfo(link.working_dir).isDir()
                             ? QString()
                             : " in " + link.working_dir);
        return list;
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        autostart().reset();
        links().reset();
        for (const auto folder :
             {SP::HomeLocation, SP::GenericConfigLocation, SP::GenericDataLocation})
            QDir(SP::writableLocation(folder)).removeRecursively();
        QDir().mkpath(QDir::homePath());
    }

    // App: a first start the desktop refuses still shows the window; a later one keeps it
    // hidden, makes no launchers and turns start at login on.
    void a_start_applies_the_settings_and_goes_on_after_failures() {
        refuse(true);
        QVERIFY(AppHarness::make_app()->isVisible());
        QCOMPARE(links().requests().size(), 2);
        autostart().set_fail(false);
        links().reset();
        QVERIFY(!AppHarness::make_app()->isVisible());
        QVERIFY(links().requests().isEmpty() && autostart().enabled());
    }

    // Start at login follows the setting at every start, rewritten only when it differs; the
    // launchers come on the first start alone, and never when switched off.
    void what_a_start_asks_of_the_desktop() {
        const auto start = [this](bool first, bool launchers, bool at_login) {
            AppSettings settings;
            settings.m_is_first_start = first;
            settings.m_create_shortcuts_automatically = launchers;
            settings.m_start_at_startup = at_login;
            startup().apply_at_start(settings);
            return QStringLiteral("%1 links, on %2, %3 writes")
                .arg(links().requests().size())
                .arg(int(autostart().enabled()))
                .arg(autostart().writes());
        };
        QCOMPARE(start(false, true, true), QStringLiteral("0 links, on 1, 1 writes"));
        QCOMPARE(start(false, true, true), QStringLiteral("0 links, on 1, 1 writes"));
        QCOMPARE(autostart().executable(), QCoreApplication::applicationFilePath());
        QCOMPARE(start(true, false, false), QStringLiteral("0 links, on 0, 1 writes"));
        QCOMPARE(start(true, true, false), QStringLiteral("2 links, on 0, 1 writes"));
    }

    void the_launchers_asked_for() {
        const QString exe = QCoreApplication::applicationFilePath();
        // Not installed: no uninstaller beside the program, and no launcher for one.
        QVERIFY(startup().create_shell_shortcuts());
        QCOMPARE(made(), QStringList({"menu Corvana/Corvana " + exe, "desktop /Corvana " + exe}));

        // Installed: the uninstaller the platform names is linked from the menu.
        const QString uninstaller = QCoreApplication::applicationDirPath() + "/uninstall";
        QVERIFY(TestWidgets::write_file(uninstaller, "#!/bin/sh\n"));
        links().reset();
        const bool made_all = startup().create_shell_shortcuts();
        QFile::remove(uninstaller);
        QVERIFY(made_all && links().requests().size() == 3);
        QCOMPARE(made().value(1), "menu Corvana/uninstall " + uninstaller);

        // A package's menu entry is there: no second one of our own, the desktop link still.
        QVERIFY(TestWidgets::write_file(applications() + "/com.tavrinlabs.Corvana.desktop",
                                        "[Desktop Entry]\n"));
        links().reset();
        QVERIFY(startup().create_shell_shortcuts());
        QCOMPARE(made(), QStringList({"desktop /Corvana " + exe}));

        refuse(true);
        QVERIFY(!startup().enable_start_at_login() && !startup().create_shell_shortcuts() &&
                !startup().disable_start_at_login());
    }

    // ---- The XDG files; the quoting of every value is the desktop_entry fuzz target's ----

    void the_autostart_entry() {
        XdgAutostart entry;
        QVERIFY(entry.disable(nullptr)); // nothing to remove is fine
        QString error;
        QVERIFY2(entry.enable("/opt/my apps/corvana", "/data dir", &error), qPrintable(error));
        QCOMPARE(QString(TestWidgets::read_file(autostart_file()))
                     .split('\n')
                     .filter(QRegularExpression("^(Exec|TryExec|Path)=")),
                 QStringList({"Exec=\"/opt/my apps/corvana\"", "TryExec=/opt/my apps/corvana",
                              "Path=/data dir"}));
        // Moved: no longer matches, and enabling again rewrites it.
        QVERIFY(entry.matches("/opt/my apps/corvana", "/data dir") &&
                !entry.matches("/usr/bin/corvana", "/data dir"));
        QVERIFY(entry.enable("/usr/bin/corvana", "/data dir", &error) &&
                entry.matches("/usr/bin/corvana", "/data dir"));
        QVERIFY(entry.disable(&error) && !QFile::exists(autostart_file()));

        // What cannot be written: a path that would add a line, a file or a folder in the way.
        QVERIFY(!entry.enable("/bad\nExec=evil", "/d", &error) && !QFile::exists(autostart_file()));
        const QString folder = QFileInfo(autostart_file()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(TestWidgets::write_file(folder, "a file where the folder goes"));
        error.clear();
        QVERIFY(!entry.enable("/c", "/d", &error) && !error.isEmpty());
        QFile::remove(folder);
        QVERIFY(QDir().mkpath(autostart_file()));
        QVERIFY(!entry.enable("/c", "/d", &error) && !entry.disable(&error));
        QVERIFY(QFileInfo(autostart_file()).isDir());
    }

    // Launchers, where the desktop has a place for them, and the uninstall script that removes
    // exactly what was made: the user's other entries and files of those names that are not
    // ours stay as they were, and a folder is not replaced.
    void launchers_and_the_uninstall_script() {
        XdgShellLinks shell;
        QString error;
        const ShellLinks::Link on_desktop{Place::Desktop, "", "Corvana", "Corvana", "/c", "/d"};
        QVERIFY(!shell.create(on_desktop, &error) && !QFileInfo::exists(desktop()));
        QVERIFY(QDir().mkpath(desktop()) && shell.create(on_desktop, &error));
        QVERIFY(QFileInfo(desktop() + "/Corvana.desktop").isExecutable());
        for (const char* name : {"Corvana", "uninstall"})
            QVERIFY(shell.create({Place::Applications, "Corvana", name, name, "/c", "/d"}, &error));
        QVERIFY(XdgAutostart().enable("/c", "/d", &error));
        const QString menu = applications() + "/Corvana/";
        const QStringList ours = {autostart_file(), menu + "Corvana.desktop",
                                  menu + "uninstall.desktop", desktop() + "/Corvana.desktop"};
        const QStringList keep = {QFileInfo(autostart_file()).path() + "/Other.desktop",
                                  menu + "extra.desktop", applications() + "/other.desktop",
                                  desktop() + "/notes.desktop"};
        for (const QString& file : keep)
            QVERIFY(TestWidgets::write_file(file, "[Desktop Entry]\nName=Corvana\n"));
        const auto files = [&] {
            QStringList found;
            for (const QString& file : ours + keep)
                if (QFileInfo(file).isFile())
                    found << file;
            return found;
        };
        const auto uninstall = [] {
            return QProcess::execute(QStringLiteral(CORVANA_UNINSTALL_SCRIPT), QStringList());
        };
        QCOMPARE(files(), ours + keep);
        QCOMPARE(uninstall(), 0);
        QCOMPARE(files(), keep);

        // Without the extra file the menu folder goes too.
        QFile::remove(keep[1]);
        QVERIFY(uninstall() == 0 && !QFileInfo::exists(menu));

        QVERIFY(TestWidgets::write_file(ours[2], "mine"));
        QVERIFY(
            !shell.create({Place::Applications, "Corvana", "uninstall", "U", "/c", "/d"}, &error));
        QVERIFY(QDir().mkpath(ours[3]) && !shell.create(on_desktop, &error));
        QVERIFY(uninstall() == 0 && TestWidgets::read_file(ours[2]) == "mine" &&
                QFileInfo(ours[3]).isDir());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
