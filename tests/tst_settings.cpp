#include "AppHarness.h"
#include "TestWidgets.h"
#include "common/SettingsFileCheck.h"

#include <QtTest>

// The settings file through SaveManager, and where it lives.
class TestSettings : public QObject {
    Q_OBJECT
    static QStringList backups() {
        return QDir(DataPaths::get().settings_dir()).entryList({"*.unreadable-*"}, QDir::Files);
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() { AppHarness::remove_settings(); }

    // Every key as stored files hold it: its name, its value with no file, another value. With
    // no file each key is saved with its first value; loaded and saved again, another value
    // stays; a reset brings the first values back. Nothing else is saved.
    void every_key_is_saved_loaded_and_reset() {
        QStringList table =
            QString("PasteOrder backward forward; IndicatorX 0 11; IndicatorY 0 13; "
                    "IgnoreMonitors - 0:3:; IsCorvanaPaused false true; "
                    "HiddenFeaturesHelpAlreadyShown false true")
                .split("; ");
        for (const char* on :
             {"IsFirstStart", "UseHiddenFeatures", "StartAtStartup", "CreateShortcutsAutomatically",
              "UseSpinningTrayIcon", "UseHiddenFeaturesNotifications", "UseInvertedIcons",
              "UseKeyboardShortcuts", "IsRichTextCopyEnabled", "IsFileCopyEnabled",
              "UseAutomaticPositionMovement", "IsPrintScreenEnabled"})
            table << on + QStringLiteral(" true false");
        const auto saved_as = [&table](int column) {
            AppHarness::Saved().saver.save_settings();
            QCOMPARE(AppHarness::stored_keys().size(), table.size() + 1); // and SaveVersion
            for (const QString& row : table)
                QVERIFY2(AppHarness::stored(row.section(' ', 0, 0)) ==
                             row.section(' ', column, column).remove('-'),
                         qPrintable(row));
        };
        saved_as(1);
        {
            QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
            for (const QString& row : table)
                file.setValue(row.section(' ', 0, 0), row.section(' ', 2));
        }
        saved_as(2);
        {
            AppHarness::Saved loaded;
            loaded.saver.reset_settings();
            loaded.saver.load_settings();
            loaded.saver.save_settings();
        }
        saved_as(1);
    }
    // What a start makes of a file it did not write; a file that Qt cannot read safely is put
    // aside whole (serialized values: a list claiming two billion members makes Qt abort).
    void files_written_elsewhere_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("saved"); // SaveVersion, PasteOrder, paused, indicator, monitors
        QTest::addColumn<bool>("put_aside");
        const QString plain = QStringLiteral("2 backward false 0 0 ");
        QTest::newRow("old save version wipes it")
            << QByteArray("[General]\nSaveVersion=1\nPasteOrder=forward\nIsCorvanaPaused=true\n")
            << plain << false;
        QTest::newRow("monitors keep only numbers")
            << QByteArray("[General]\nSaveVersion=2\nIgnoreMonitors=1::x:3:\n")
            << plain + "1:3:" << false;
        QTest::newRow("garbage as QVariant converts it")
            << QByteArray("[General]\nSaveVersion=2\nIsCorvanaPaused=banana\nIndicatorX=left\n"
                          "IndicatorY=12\nPasteOrder=sideways\n")
            << "2 sideways true 0 12 " << false;
        QTest::newRow("empty") << QByteArray() << plain << false;
        QTest::newRow("binary") << QByteArray("\x00\x01\xff not an ini file \n[[[\n=\n", 27)
                                << plain << false;
        // The other spellings Qt reads as such a value are the settings fuzz target's seeds.
        QTest::newRow("serialized values")
            << QByteArray("[General]\nSaveVersion=2\nPasteOrder=forward\nIndicatorX=@Variant(\\0\\0"
                          "\\0\\t\\x7f\\xff\\xff\\xff)\nIgnoreMonitors=1:\n")
            << "2 forward false 0 0 1:" << true;
        QByteArray huge("[General]\nSaveVersion=2\nPasteOrder=forward\nX=");
        huge.resize(SettingsFileCheck::max_file_bytes + 1);
        QTest::newRow("huge") << huge << plain << true;
    }
    void files_written_elsewhere() {
        QFETCH(QByteArray, content);
        QFETCH(QString, saved);
        QFETCH(bool, put_aside);
        QVERIFY(TestWidgets::write_file(AppHarness::settings_file(), content));
        AppHarness::Saved().saver.save_settings();
        QStringList values;
        for (const char* key : {"SaveVersion", "PasteOrder", "IsCorvanaPaused", "IndicatorX",
                                "IndicatorY", "IgnoreMonitors"})
            values << AppHarness::stored(key);
        QCOMPARE(values.join(' '), saved);
        QCOMPARE(backups().size(), put_aside ? 1 : 0);
        if (put_aside) {
            const QString backup = DataPaths::get().settings_dir() + '/' + backups().first();
            QCOMPARE(TestWidgets::read_file(backup), content);
            QVERIFY(QFile::remove(backup));
            const QByteArray rewritten = TestWidgets::read_file(AppHarness::settings_file());
            QVERIFY(!rewritten.isEmpty() && !rewritten.contains("iant("));
        }
    }

    // Where settings and data go: beside the program when the portable marker is there, else
    // in the user's folders; CORVANA_SETTINGS_DIR and CORVANA_DATA_DIR name either outright.
    // The working folder, the program's own folder here, never decides.
    // Each case: the portable marker, settings left beside the program, the user's own
    // settings, the overrides ("-" for none); where settings and data go, and the user's
    // settings file after.
    void where_settings_and_data_live() {
        const QStringList cases = {
            "marker - - - program -",       "- - - - user -",     "marker - - overrides override -",
            "- old - overrides override -", "- old - - user old", "- old mine - user mine",
            "marker old - - program -"};
        const QString name = DataPaths::settings_file_name();
        for (const QString& line : cases) {
            const QStringList c = line.split(' ');
            QTemporaryDir root;
            const QString exe = root.path() + "/program", user = root.path() + "/user-settings";
            QVERIFY(QDir().mkpath(exe) && QDir().mkpath(user));
            for (const auto& [path, text] :
                 {std::pair(exe + '/' + DataPaths::portable_marker_name(), c[0]),
                  std::pair(exe + '/' + name, c[1]), std::pair(user + '/' + name, c[2])})
                QVERIFY(text == "-" || TestWidgets::write_file(path, text.toUtf8()));
            DataPaths::Sources sources{exe, QString(), QString(), user, root.path() + "/user-data"};
            if (c[3] != "-") {
                sources.settings_override = root.path() + "/override-settings";
                sources.data_override = root.path() + "/override-data";
            }
            const QString saved_current = QDir::currentPath();
            QDir::setCurrent(exe);
            const DataPaths paths = DataPaths::resolve_from(sources);
            QDir::setCurrent(saved_current);
            const auto in = [&](const QString& kind) {
                return c[4] == "program" ? exe : root.path() + '/' + c[4] + '-' + kind;
            };
            QCOMPARE(paths.settings_dir() + ' ' + paths.data_root(),
                     in("settings") + ' ' + in("data"));
            QCOMPARE(paths.portable(), c[0] != "-");
            QVERIFY(QFileInfo(paths.settings_dir()).isDir() &&
                    QFileInfo(paths.data_root()).isDir());
            // What was beside the program stays as it was.
            QCOMPARE(TestWidgets::read_file(user + '/' + name, "-") + ' ' +
                         TestWidgets::read_file(exe + '/' + name, "-"),
                     (c[5] + ' ' + c[1]).toUtf8());
        }
    }

    // Without an override, the system's folder for the user's settings: the XDG configuration
    // folder, as before; on Windows the roaming one, with the data. With one that cannot be
    // written, a failure reported and nothing more.
    void the_settings_folder_and_one_that_cannot_be_written() {
        const QByteArray saved_dir = qgetenv("CORVANA_SETTINGS_DIR");
        qunsetenv("CORVANA_SETTINGS_DIR");
        const DataPaths::Sources sources = DataPaths::sources_of_this_program();
        QVERIFY(sources.settings_override.isEmpty());
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QVERIFY2(sources.user_settings_dir == config ||
                     sources.user_settings_dir == sources.user_data_dir,
                 qPrintable(sources.user_settings_dir));

        // A folder below a regular file: no one can write there, root included.
        const QString blocker = QDir::currentPath() + "/not-a-folder";
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        qputenv("CORVANA_SETTINGS_DIR", (blocker + "/settings").toLocal8Bit());
        DataPaths::resolve();
        {
            AppHarness::Saved loaded;
            loaded.saver.save_settings();
            QVERIFY(!loaded.saver.file_ok());
            loaded.saver.save_settings(); // again: still nothing breaks
        }
        QVERIFY(!QFileInfo::exists(AppHarness::settings_file()));
        qputenv("CORVANA_SETTINGS_DIR", saved_dir);
        DataPaths::resolve();
        QFile::remove(blocker);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
