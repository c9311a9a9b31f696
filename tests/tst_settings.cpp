#include "AppHarness.h"
#include "app/SaveManager.h"
#include "common/DataPaths.h"
#include "common/SettingsFileCheck.h"
#include "common/SettingsTable.h"

#include <QDir>
#include <QFileInfo>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT

    static void write_file(const QByteArray& content) {
        QFile file(AppHarness::settings_file());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() { AppHarness::remove_settings(); }

    void first_run_gives_defaults_and_quit_writes_every_key() {
        {
            auto app = AppHarness::make_app();
            QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
            QVERIFY(app->m_rich_text_copy_enabled);
            QVERIFY(app->m_automatic_position_movement);
            QVERIFY(!app->m_is_paused);
            QVERIFY(app->m_print_screen_enabled);
            QVERIFY(app->m_use_keyboard_shortcuts);
            QVERIFY(!app->m_hidden_features_help_already_shown);
            QVERIFY(app->m_ignored_monitors.isEmpty());
            QCOMPARE(app->status_indicator_position(), QPoint(0, 0));
            QVERIFY(app->isVisible()); // first start shows the window
            app->quit();
        }
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        const QStringList expected = {"IsFirstStart",
                                      "UseHiddenFeatures",
                                      "StartAtStartup",
                                      "CreateShortcutsAutomatically",
                                      "UseSpinningTrayIcon",
                                      "UseHiddenFeaturesNotifications",
                                      "HiddenFeaturesHelpAlreadyShown",
                                      "UseInvertedIcons",
                                      "UseKeyboardShortcuts",
                                      "IsCorvanaPaused",
                                      "IsRichTextCopyEnabled",
                                      "IsFileCopyEnabled",
                                      "UseAutomaticPositionMovement",
                                      "PasteOrder",
                                      "IndicatorX",
                                      "IndicatorY",
                                      "IsPrintScreenEnabled",
                                      "IgnoreMonitors",
                                      "SaveVersion"};
        QStringList keys = file.allKeys();
        keys.sort();
        QStringList sorted_expected = expected;
        sorted_expected.sort();
        QCOMPARE(keys, sorted_expected);
        QCOMPARE(file.value("IsFirstStart").toString(), QStringLiteral("false"));
        QCOMPARE(file.value("SaveVersion").toString(), QStringLiteral("2"));
        QCOMPARE(file.value("PasteOrder").toString(), QStringLiteral("backward"));

        // The second start is not a first start and keeps the window hidden.
        auto again = AppHarness::make_app();
        QVERIFY(!again->m_is_first_start);
        QVERIFY(!again->isVisible());
    }

    void changed_fields_survive_a_restart() {
        {
            auto app = AppHarness::make_app();
            app->m_paste_order = QStringLiteral("forward");
            app->m_is_paused = true;
            app->m_print_screen_enabled = false;
            app->m_ignored_monitors = {0, 2};
            app->move_status_indicator(40, 70);
        } // destruction saves
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("IgnoreMonitors").toString(), QStringLiteral("0:2:"));
        auto app = AppHarness::make_app();
        QCOMPARE(app->m_paste_order, QStringLiteral("forward"));
        QVERIFY(app->m_is_paused);
        QVERIFY(!app->m_print_screen_enabled);
        QCOMPARE(app->m_ignored_monitors, QList<int>({0, 2}));
        QCOMPARE(app->status_indicator_position(), QPoint(40, 70));
    }

    // Every key of the table: a value other than its default survives a restart under that key,
    // and a reset brings the default back.
    void every_key_of_the_table_is_saved_loaded_and_reset() {
        using Indicator = SettingsTable::Indicator;
        const auto changed = [](const SettingsTable::Key& key) -> QVariant {
            if (std::holds_alternative<bool AppSettings::*>(key.field))
                return !key.fallback.toBool();
            if (std::holds_alternative<QString AppSettings::*>(key.field))
                return QStringLiteral("forward");
            if (std::holds_alternative<QList<int> AppSettings::*>(key.field))
                return QStringLiteral("3:");
            return std::get<Indicator>(key.field) == Indicator::X ? 11 : 13;
        };
        const auto read = [](const App& app, const SettingsTable::Key& key) -> QVariant {
            if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
                return app.*(*flag);
            if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
                return app.*(*text);
            if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
                return SaveManager::format_ignored_monitors(app.*(*list));
            const QPoint at = app.status_indicator_position();
            return std::get<Indicator>(key.field) == Indicator::X ? at.x() : at.y();
        };
        const AppSettings fresh;
        const auto as_default = [](const SettingsTable::Key& key) -> QVariant {
            if (std::holds_alternative<Indicator>(key.field))
                return 0; // absent, the indicator goes to (0, 0)
            if (std::holds_alternative<QList<int> AppSettings::*>(key.field))
                return QString();
            return key.fallback;
        };
        {
            auto app = AppHarness::make_app();
            for (const SettingsTable::Key& key : SettingsTable::keys()) {
                if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
                    QCOMPARE(fresh.*(*flag), key.fallback.toBool());
                const QVariant value = changed(key);
                if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
                    app.get()->*(*flag) = value.toBool();
                else if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
                    app.get()->*(*text) = value.toString();
                else if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
                    app.get()->*(*list) = SaveManager::parse_ignored_monitors(value.toString());
            }
            app->move_status_indicator(11, 13);
        } // destruction saves
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        auto app = AppHarness::make_app();
        for (const SettingsTable::Key& key : SettingsTable::keys()) {
            QCOMPARE(file.value(key.name).toString(), changed(key).toString());
            // The first start flag is cleared by every start, whatever was stored.
            if (QLatin1String(key.name) != QLatin1String("IsFirstStart"))
                QCOMPARE(read(*app, key).toString(), changed(key).toString());
        }
        app->save_manager()->reset_settings();
        app->save_manager()->load_settings();
        for (const SettingsTable::Key& key : SettingsTable::keys())
            QCOMPARE(read(*app, key).toString(), as_default(key).toString());
    }

    void old_save_version_wipes_the_file() {
        write_file("[General]\nSaveVersion=1\nPasteOrder=forward\nIsCorvanaPaused=true\n");
        auto app = AppHarness::make_app();
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
        QVERIFY(!app->m_is_paused);
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QVERIFY(!file.contains("PasteOrder"));
        QCOMPARE(file.value("SaveVersion").toString(), QStringLiteral("2"));
    }

    void ignore_monitors_keeps_only_numbers() {
        QCOMPARE(SaveManager::parse_ignored_monitors("1::x:3:"), QList<int>({1, 3}));
        QCOMPARE(SaveManager::parse_ignored_monitors(""), QList<int>());
        QCOMPARE(SaveManager::format_ignored_monitors({1, 3}), QStringLiteral("1:3:"));
        QCOMPARE(SaveManager::format_ignored_monitors({}), QString());

        write_file("[General]\nSaveVersion=2\nIgnoreMonitors=1::x:3:\n");
        {
            auto app = AppHarness::make_app();
            QCOMPARE(app->m_ignored_monitors, QList<int>({1, 3}));
        }
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("IgnoreMonitors").toString(), QStringLiteral("1:3:"));
    }

    void garbage_values_read_as_qvariant_converts_them() {
        write_file("[General]\nSaveVersion=2\nIsCorvanaPaused=banana\nIsRichTextCopyEnabled=0\n"
                   "IndicatorX=left\nIndicatorY=12\nPasteOrder=sideways\n");
        auto app = AppHarness::make_app();
        QVERIFY(app->m_is_paused);               // any other text is true
        QVERIFY(!app->m_rich_text_copy_enabled); // "0" is false
        QCOMPARE(app->status_indicator_position(), QPoint(0, 12));
        QCOMPARE(app->m_paste_order, QStringLiteral("sideways")); // taken as stored
    }

    void unreadable_or_broken_files_give_defaults_and_keep_running() {
        write_file(QByteArray());
        {
            auto app = AppHarness::make_app();
            QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
        }
        write_file(QByteArray("\x00\x01\xff not an ini file \n[[[\n=\n", 27));
        {
            auto app = AppHarness::make_app();
            QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
            app->quit();
        }
    }

    void serialized_values_are_dropped_before_qt_reads_them() {
        // A list claiming two billion members: Qt would ask for all of them and abort. Every
        // spelling below is read by Qt as that value: escapes, quotes and continued lines.
        const QByteArray list("Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)");
        const QByteArray original =
            "[General]\nSaveVersion=2\nIsFirstStart=false\n"
            "IndicatorX=@" +
            list +
            "\nPasteOrder=forward\n"
            "IndicatorY=\\\n@" +
            list + "\nIsCorvanaPaused=\"\\x40" + list + "\"\nIsRichTextCopyEnabled=\\100" + list +
            "\nUseInvertedIcons=@Var\\\n" + list.mid(3) + "\nIsFileCopyEnabled=@DateTime" +
            list.mid(7) + "\nUseSpinningTrayIcon=on, @" + list + "\nIgnoreMonitors=1:\n";
        write_file(original);
        {
            auto app = AppHarness::make_app();
            QCOMPARE(app->m_paste_order, QStringLiteral("forward"));
            QCOMPARE(app->m_ignored_monitors, QList<int>{1});
            QVERIFY(!app->m_is_first_start || !app->isVisible());
        }
        const QStringList backups =
            QDir(DataPaths::get().settings_dir()).entryList({"*.unreadable-*"}, QDir::Files);
        QCOMPARE(backups.size(), 1);
        QFile backup(DataPaths::get().settings_dir() + '/' + backups.first());
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), original);
        QFile file(AppHarness::settings_file());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("iant("));
        backup.close(); // an open file cannot be removed on Windows
        QVERIFY(QFile::remove(backup.fileName()));
    }

    void a_huge_settings_file_is_put_aside() {
        {
            QFile file(AppHarness::settings_file());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("[General]\nSaveVersion=2\nPasteOrder=forward\nX=");
            QVERIFY(file.resize(SettingsFileCheck::max_file_bytes + 1));
        }
        auto app = AppHarness::make_app();
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
        const QStringList backups =
            QDir(DataPaths::get().settings_dir()).entryList({"*.unreadable-*"}, QDir::Files);
        QCOMPARE(backups.size(), 1);
        QVERIFY(QFile::remove(DataPaths::get().settings_dir() + '/' + backups.first()));
    }

    // Where settings and data go: beside the program when the portable marker is there, else
    // in the user's folders; CORVANA_SETTINGS_DIR and CORVANA_DATA_DIR name either outright.
    // The working folder, the program's own folder here, never decides.
    void where_settings_and_data_live_data() {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QByteArray>("old_settings");  // left beside the program, or empty
        QTest::addColumn<QByteArray>("user_settings"); // in the user's folder, or empty
        QTest::addColumn<bool>("overrides");
        QTest::addColumn<QString>("settings_in");
        QTest::addColumn<QString>("data_in");
        QTest::addColumn<QByteArray>("user_settings_after");
        QTest::newRow("marker") << true << QByteArray() << QByteArray() << false << "exe"
                                << "exe" << QByteArray();
        QTest::newRow("no marker") << false << QByteArray() << QByteArray() << false << "user"
                                   << "user" << QByteArray();
        QTest::newRow("marker, overrides")
            << true << QByteArray() << QByteArray() << true << "override"
            << "override" << QByteArray();
        QTest::newRow("no marker, overrides")
            << false << QByteArray("old") << QByteArray() << true << "override"
            << "override" << QByteArray();
        QTest::newRow("old settings beside, copied")
            << false << QByteArray("old") << QByteArray() << false << "user"
            << "user" << QByteArray("old");
        QTest::newRow("old settings beside, the user's kept")
            << false << QByteArray("old") << QByteArray("mine") << false << "user"
            << "user" << QByteArray("mine");
        QTest::newRow("marker, old settings used in place")
            << true << QByteArray("old") << QByteArray() << false << "exe"
            << "exe" << QByteArray();
    }

    void where_settings_and_data_live() {
        QFETCH(bool, marker);
        QFETCH(QByteArray, old_settings);
        QFETCH(QByteArray, user_settings);
        QFETCH(bool, overrides);
        QFETCH(QString, settings_in);
        QFETCH(QString, data_in);
        QFETCH(QByteArray, user_settings_after);
        QTemporaryDir root;
        const QString exe = root.path() + "/program";
        QVERIFY(QDir().mkpath(exe));
        const auto put = [](const QString& path, const QByteArray& bytes) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        const QString name = DataPaths::settings_file_name();
        if (marker)
            QVERIFY(put(exe + '/' + DataPaths::portable_marker_name(), "portable"));
        if (!old_settings.isEmpty())
            QVERIFY(put(exe + '/' + name, old_settings));
        if (!user_settings.isEmpty())
            QVERIFY(put(root.path() + "/user-settings/" + name, user_settings));
        DataPaths::Sources sources{exe, QString(), QString(), root.path() + "/user-settings",
                                   root.path() + "/user-data"};
        if (overrides) {
            sources.settings_override = root.path() + "/settings-override";
            sources.data_override = root.path() + "/data-override";
        }
        const QString saved_current = QDir::currentPath();
        QDir::setCurrent(exe);
        const DataPaths paths = DataPaths::resolve_from(sources);
        QDir::setCurrent(saved_current);
        const QMap<QString, QString> settings_dirs = {{"exe", exe},
                                                      {"user", sources.user_settings_dir},
                                                      {"override", sources.settings_override}};
        const QMap<QString, QString> data_dirs = {
            {"exe", exe}, {"user", sources.user_data_dir}, {"override", sources.data_override}};
        QCOMPARE(paths.settings_dir(), settings_dirs[settings_in]);
        QCOMPARE(paths.data_root(), data_dirs[data_in]);
        QCOMPARE(paths.portable(), marker);
        QVERIFY(QFileInfo(paths.settings_dir()).isDir());
        QVERIFY(QFileInfo(paths.data_root()).isDir());
        QFile user_file(sources.user_settings_dir + '/' + name);
        if (user_settings_after.isEmpty()) {
            QVERIFY(!user_file.exists());
        } else {
            QVERIFY(user_file.open(QIODevice::ReadOnly));
            QCOMPARE(user_file.readAll(), user_settings_after);
        }
        // What was beside the program stays as it was.
        QFile old_file(exe + '/' + name);
        QCOMPARE(old_file.open(QIODevice::ReadOnly) ? old_file.readAll() : QByteArray(),
                 old_settings);
    }

    // Without overrides: the system's folders for the user, whatever the working folder.
    void the_user_folders_of_this_program() {
        const QByteArray saved = qgetenv("CORVANA_SETTINGS_DIR");
        qunsetenv("CORVANA_SETTINGS_DIR");
        const DataPaths::Sources sources = DataPaths::sources_of_this_program();
        qputenv("CORVANA_SETTINGS_DIR", saved);
        QVERIFY(sources.settings_override.isEmpty());
        // The XDG configuration folder, as before; on Windows the roaming one, with the data.
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QVERIFY2(sources.user_settings_dir == config ||
                     sources.user_settings_dir == sources.user_data_dir,
                 qPrintable(sources.user_settings_dir));
    }

    void a_settings_file_that_cannot_be_written_is_reported_not_fatal() {
        // A folder below a regular file: no one can write there, root included.
        const QString blocker = QDir::currentPath() + "/not-a-folder";
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QByteArray saved_dir = qgetenv("CORVANA_SETTINGS_DIR");
        qputenv("CORVANA_SETTINGS_DIR", (blocker + "/settings").toLocal8Bit());
        DataPaths::resolve();
        {
            auto app = AppHarness::make_app();
            QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
            app->m_paste_order = QStringLiteral("forward");
            app->save_manager()->save_settings();
            QVERIFY(!app->save_manager()->file_ok());
            app->quit(); // saves again, still nothing breaks
        }
        QVERIFY(!QFileInfo::exists(AppHarness::settings_file()));
        qputenv("CORVANA_SETTINGS_DIR", saved_dir);
        DataPaths::resolve();
        QFile::remove(blocker);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
