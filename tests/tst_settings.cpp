#include "AppHarness.h"
#include "app/SaveManager.h"
#include "common/DataPaths.h"
#include "common/SettingsFileCheck.h"
#include "common/SettingsTable.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void write_file(const QByteArray& content) {
    QFile file(AppHarness::settings_file());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}
QStringList backups() {
    return QDir(DataPaths::get().settings_dir()).entryList({"*.unreadable-*"}, QDir::Files);
}
// Reads and writes the field a key of the table fills, as text.
QString field_text(const AppSettings& settings, const SettingsTable::Key& key, QPoint indicator) {
    if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
        return QVariant(settings.*(*flag)).toString();
    if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
        return settings.*(*text);
    if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
        return SaveManager::format_ignored_monitors(settings.*(*list));
    return QString::number(std::get<SettingsTable::Indicator>(key.field) ==
                                   SettingsTable::Indicator::X
                               ? indicator.x()
                               : indicator.y());
}
void set_field(AppSettings& settings, const SettingsTable::Key& key, const QString& value) {
    if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
        settings.*(*flag) = value == QLatin1String("true");
    else if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
        settings.*(*text) = value;
    else if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
        settings.*(*list) = SaveManager::parse_ignored_monitors(value);
}
} // namespace

// The settings file through SaveManager, and where it lives.
class TestSettings : public QObject {
    Q_OBJECT
    // The one place the file's reader is built: SaveManager on bare settings, the shortcut
    // dialog and an indicator place, loaded as at start.
    struct Loaded {
        AppSettings settings;
        ShortcutsDialog shortcuts{nullptr};
        QPoint indicator;
        SaveManager saver{
            nullptr,
            settings,
            shortcuts,
            {[this] { return indicator; }, [this](const QPoint& at) { indicator = at; }}};
        Loaded() { saver.load_settings(); }
    };
    static QStringList stored_keys() {
        QStringList keys = QSettings(AppHarness::settings_file(), QSettings::IniFormat).allKeys();
        keys.sort();
        return keys;
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() { AppHarness::remove_settings(); }

    // App: the first start shows the window, its quit writes every key of the table and clears
    // the first start; the second start keeps the window hidden.
    void the_first_start_shows_the_window_and_its_quit_writes_every_key() {
        QStringList names{"SaveVersion"};
        for (const SettingsTable::Key& key : SettingsTable::keys())
            names << key.name;
        names.sort();
        {
            auto app = AppHarness::make_app();
            QVERIFY(app->isVisible());
            app->quit();
        }
        QCOMPARE(stored_keys(), names);
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("IsFirstStart").toString(), QStringLiteral("false"));
        QCOMPARE(file.value("SaveVersion").toString(), QStringLiteral("2"));
        QVERIFY(!AppHarness::make_app()->isVisible());
    }

    // Every key of the table: a value other than its default is saved under that key and loaded
    // back, and a reset brings the default back.
    void every_key_of_the_table_is_saved_loaded_and_reset() {
        const auto changed = [](const SettingsTable::Key& key) -> QString {
            if (std::holds_alternative<bool AppSettings::*>(key.field))
                return QVariant(!key.fallback.toBool()).toString();
            if (std::holds_alternative<QString AppSettings::*>(key.field))
                return QStringLiteral("forward");
            if (std::holds_alternative<QList<int> AppSettings::*>(key.field))
                return QStringLiteral("0:3:");
            return std::get<SettingsTable::Indicator>(key.field) == SettingsTable::Indicator::X
                       ? QStringLiteral("11")
                       : QStringLiteral("13");
        };
        {
            Loaded first;
            for (const SettingsTable::Key& key : SettingsTable::keys())
                set_field(first.settings, key, changed(key));
            first.indicator = QPoint(11, 13);
            first.saver.save_settings();
        }
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        Loaded loaded;
        for (const SettingsTable::Key& key : SettingsTable::keys()) {
            QCOMPARE(file.value(key.name).toString(), changed(key));
            QCOMPARE(field_text(loaded.settings, key, loaded.indicator), changed(key));
        }
        loaded.saver.reset_settings();
        loaded.saver.load_settings();
        for (const SettingsTable::Key& key : SettingsTable::keys()) {
            // Absent, the indicator goes to (0, 0) and the monitor list is empty.
            const QString fallback = std::holds_alternative<SettingsTable::Indicator>(key.field)
                                         ? QStringLiteral("0")
                                         : key.fallback.toString();
            QCOMPARE(field_text(loaded.settings, key, loaded.indicator), fallback);
        }
    }
    // What a start makes of a file it did not write; a file that Qt cannot read safely is put
    // aside whole (serialized values: a list claiming two billion members makes Qt abort).
    void files_written_elsewhere_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QPoint>("indicator");
        QTest::addColumn<QString>("monitors"); // as saved again
        QTest::addColumn<bool>("put_aside");
        QTest::newRow("old save version wipes it")
            << QByteArray("[General]\nSaveVersion=1\nPasteOrder=forward\nIsCorvanaPaused=true\n")
            << "backward" << false << QPoint(0, 0) << "" << false;
        QTest::newRow("monitors keep only numbers")
            << QByteArray("[General]\nSaveVersion=2\nIgnoreMonitors=1::x:3:\n") << "backward"
            << false << QPoint(0, 0) << "1:3:" << false;
        QTest::newRow("garbage as QVariant converts it")
            << QByteArray("[General]\nSaveVersion=2\nIsCorvanaPaused=banana\nIndicatorX=left\n"
                          "IndicatorY=12\nPasteOrder=sideways\n")
            << "sideways" << true << QPoint(0, 12) << "" << false;
        QTest::newRow("empty") << QByteArray() << "backward" << false << QPoint(0, 0) << ""
                               << false;
        QTest::newRow("binary") << QByteArray("\x00\x01\xff not an ini file \n[[[\n=\n", 27)
                                << "backward" << false << QPoint(0, 0) << "" << false;
        // Every spelling below is read by Qt as that list: escapes, quotes, continued lines.
        const QByteArray list("Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)");
        QTest::newRow("serialized values")
            << "[General]\nSaveVersion=2\nIsFirstStart=false\nIndicatorX=@" + list +
                   "\nPasteOrder=forward\nIndicatorY=\\\n@" + list + "\nIsCorvanaPaused=\"\\x40" +
                   list + "\"\nIsRichTextCopyEnabled=\\100" + list + "\nUseInvertedIcons=@Var\\\n" +
                   list.mid(3) + "\nIsFileCopyEnabled=@DateTime" + list.mid(7) +
                   "\nUseSpinningTrayIcon=on, @" + list + "\nIgnoreMonitors=1:\n"
            << "forward" << false << QPoint(0, 0) << "1:" << true;
        QByteArray huge("[General]\nSaveVersion=2\nPasteOrder=forward\nX=");
        huge.resize(SettingsFileCheck::max_file_bytes + 1);
        QTest::newRow("huge") << huge << "backward" << false << QPoint(0, 0) << "" << true;
    }
    void files_written_elsewhere() {
        QFETCH(QByteArray, content);
        QFETCH(QString, order);
        QFETCH(bool, paused);
        QFETCH(QPoint, indicator);
        QFETCH(QString, monitors);
        QFETCH(bool, put_aside);
        write_file(content);
        {
            Loaded loaded;
            QCOMPARE(loaded.settings.m_paste_order, order);
            QCOMPARE(loaded.settings.m_is_paused, paused);
            QCOMPARE(loaded.indicator, indicator);
            loaded.saver.save_settings();
        }
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("IgnoreMonitors").toString(), monitors);
        QCOMPARE(file.value("SaveVersion").toString(), QStringLiteral("2"));
        QCOMPARE(backups().size(), put_aside ? 1 : 0);
        if (put_aside) {
            QFile backup(DataPaths::get().settings_dir() + '/' + backups().first());
            QVERIFY(backup.open(QIODevice::ReadOnly));
            QCOMPARE(backup.readAll(), content);
            backup.close(); // an open file cannot be removed on Windows
            QVERIFY(backup.remove());
            QFile saved(AppHarness::settings_file());
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QVERIFY(!saved.readAll().contains("iant("));
        }
    }

    // Where settings and data go: beside the program when the portable marker is there, else
    // in the user's folders; CORVANA_SETTINGS_DIR and CORVANA_DATA_DIR name either outright.
    // The working folder, the program's own folder here, never decides.
    void where_settings_and_data_live_data() {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QByteArray>("old_settings");  // left beside the program, or empty
        QTest::addColumn<QByteArray>("user_settings"); // in the user's folder, or empty
        QTest::addColumn<bool>("overrides");
        QTest::addColumn<QString>("in"); // where both settings and data go
        QTest::addColumn<QByteArray>("user_settings_after");
        const auto row = [](const char* name, bool marker, const char* old_settings,
                            const char* user_settings, bool overrides, const char* in,
                            const char* after) {
            QTest::newRow(name) << marker << QByteArray(old_settings) << QByteArray(user_settings)
                                << overrides << QString(in) << QByteArray(after);
        };
        row("marker", true, "", "", false, "exe", "");
        row("no marker", false, "", "", false, "user", "");
        row("marker, overrides", true, "", "", true, "override", "");
        row("no marker, overrides", false, "old", "", true, "override", "");
        row("old settings beside, copied", false, "old", "", false, "user", "old");
        row("old settings beside, the user's kept", false, "old", "mine", false, "user", "mine");
        row("marker, old settings used in place", true, "old", "", false, "exe", "");
    }

    void where_settings_and_data_live() {
        QFETCH(bool, marker);
        QFETCH(QByteArray, old_settings);
        QFETCH(QByteArray, user_settings);
        QFETCH(bool, overrides);
        QFETCH(QString, in);
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
        QCOMPARE(paths.settings_dir(), settings_dirs[in]);
        QCOMPARE(paths.data_root(), data_dirs[in]);
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
            Loaded loaded;
            QCOMPARE(loaded.settings.m_paste_order, QStringLiteral("backward"));
            loaded.settings.m_paste_order = QStringLiteral("forward");
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
