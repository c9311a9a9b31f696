#include "AppHarness.h"
#include "shortcuts/ShortcutsDialog.h"
#include "spells/HiddenFeatures.h"
#include "spells/InputDialog.h"
#include "spells/SpellToken.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>

using Kind = SpellToken::Kind;
Q_DECLARE_METATYPE(SpellToken::Kind)

// Records the addresses the program asks the desktop to open, instead of opening them.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

class TestSpells : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;
    QStringList shown; // "title|text" of every notification shown
    UrlRecorder urls;

    void cast(const QString& spell) { app->activate_hidden_feature(spell); }
    QVariant stored(const char* key) {
        return QSettings(AppHarness::settings_file(), QSettings::IniFormat)
            .value(QLatin1String(key));
    }
    QString last_title() { return shown.isEmpty() ? QString() : shown.last().section('|', 0, 0); }
    FakeSystemInfo& system() { return FakePlatform::get().fake_system_info(); }

private slots:
    void initTestCase() {
        AppHarness::init_process();
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &urls, "open");
    }
    void init() {
        AppHarness::remove_settings();
        FakePlatform::get().fake_autostart().reset();
        app = AppHarness::make_app();
        shown.clear();
        urls.opened.clear();
        connect(app->hidden_features(), &HiddenFeatures::notified, this,
                [this](const QString& title, const QString& text) { shown << title + '|' + text; });
    }
    void cleanup() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<InputDialog*>(widget))
                delete widget;
        app.reset();
    }

    // ---- Reading a spell ----

    void tokens_data() {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<double>("value");
        QTest::newRow("true word, any case") << QByteArray("ENable") << Kind::Boolean << 1.0;
        QTest::newRow("start is a true word") << QByteArray("start") << Kind::Boolean << 1.0;
        QTest::newRow("halt is a false word") << QByteArray("HALT") << Kind::Boolean << 0.0;
        QTest::newRow("32-bit maximum")
            << QByteArray("2147483647") << Kind::Integer << 2147483647.0;
        QTest::newRow("one past it") << QByteArray("2147483648") << Kind::Word << 0.0;
        QTest::newRow("32-bit minimum")
            << QByteArray("-2147483648") << Kind::Integer << -2147483648.0;
        QTest::newRow("one below it") << QByteArray("-2147483649") << Kind::Word << 0.0;
        QTest::newRow("plus sign") << QByteArray("+7") << Kind::Integer << 7.0;
        QTest::newRow(".5") << QByteArray(".5") << Kind::Decimal << 0.5;
        QTest::newRow("5.") << QByteArray("5.") << Kind::Decimal << 5.0;
        QTest::newRow("+1.25") << QByteArray("+1.25") << Kind::Decimal << 1.25;
        QTest::newRow("a lone sign") << QByteArray("-") << Kind::Word << 0.0;
        QTest::newRow("a lone dot") << QByteArray(".") << Kind::Word << 0.0;
        QTest::newRow("two dots") << QByteArray("1.2.3") << Kind::Word << 0.0;
        QTest::newRow("digits and letters") << QByteArray("2nd") << Kind::Word << 0.0;
        QTest::newRow("plain word") << QByteArray("Monitor") << Kind::Word << 0.0;
    }
    void tokens() {
        QFETCH(QByteArray, word);
        QFETCH(Kind, kind);
        QFETCH(double, value);
        const QList<SpellToken> tokens = SpellToken::tokenize("  " + word + "\t");
        QCOMPARE(tokens.size(), 1);
        QCOMPARE(tokens[0].kind, kind);
        QCOMPARE(tokens[0].text, word.toLower());
        if (kind == Kind::Boolean)
            QCOMPARE(tokens[0].boolean_value, value != 0);
        else if (kind != Kind::Word)
            QCOMPARE(tokens[0].decimal_value, value);
    }

    void matching() {
        auto match = [](const char* pattern, const char* spell) {
            return SpellToken::matches(pattern, SpellToken::tokenize(spell));
        };
        QVERIFY(match("%b monitor %d", "OFF   Monitor 2"));
        QVERIFY(!match("%b monitor %d", "off monitor 2.5"));
        QVERIFY(!match("%b monitor %d", "monitor 2 off"));
        QVERIFY(!match("%b monitor %d", "maybe monitor 2"));
        QVERIFY(match("%f", "2") && match("%f", "-.5") && !match("%f", "two"));
        QVERIFY(match("%s", "two") && !match("%s", "yes") && !match("%s", "2"));
        QVERIFY(!match("help", "help me"));
        QVERIFY(!match("help me", "help"));
        QVERIFY(!match("help", ""));
        QVERIFY(!match("help", "   "));
    }

    // ---- Spells, by what they change and what they show ----

    void start_at_startup() {
        cast("Enable Start At Startup");
        QCOMPARE(stored("StartAtStartup").toBool(), true);
        QVERIFY(FakePlatform::get().fake_autostart().enabled());
        QCOMPARE(shown.last(), QStringLiteral("Start at startup enabled|Corvana will start when "
                                              "you turn ON your computer"));
        cast("disable start at startup");
        QCOMPARE(stored("StartAtStartup").toBool(), false);
        QVERIFY(!FakePlatform::get().fake_autostart().enabled());
        QCOMPARE(last_title(), QStringLiteral("Start at startup disabled"));
        cast("start start at startup");
        QCOMPARE(stored("StartAtStartup").toBool(), true);
        QVERIFY(FakePlatform::get().fake_autostart().enabled());
    }

    void monitors() {
        cast("off monitor 2");
        cast("off monitor 2");
        cast("off monitor -3");
        QCOMPARE(stored("IgnoreMonitors").toString(), QStringLiteral("2:-3:"));
        QCOMPARE(shown.first(), QStringLiteral("Monitor 2 disabled|Corvana will not apply color "
                                               "changes to Monitor 2"));
        cast("on monitor 2");
        QCOMPARE(stored("IgnoreMonitors").toString(), QStringLiteral("-3:"));
        QCOMPARE(last_title(), QStringLiteral("Monitor 2 enabled"));
        const int before = shown.size();
        cast("monitor 2 off");
        cast("off monitor 4294967298"); // beyond 32 bits: no monitor 2 by wrap-around
        QCOMPARE(stored("IgnoreMonitors").toString(), QStringLiteral("-3:"));
        QCOMPARE(shown.size(), before + 2);
        QCOMPARE(last_title(), QStringLiteral("Invalid spell"));
    }

    void invalid_spells() {
        cast("help me");
        QCOMPARE(shown.last(),
                 QStringLiteral("Invalid spell|The spell \"help me\" seems wrong. Check the syntax "
                                "or try with some other hidden feature.\nUse \"help\" to see the "
                                "list of all hidden features :)"));
        cast("   ");
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.last().contains(QStringLiteral("\"   \"")));
        cast(QString());
        QCOMPARE(shown.size(), 2);
        QVERIFY(urls.opened.isEmpty());
        // Letters outside ASCII are not folded, so this is no known spell.
        cast(QStringLiteral("ÉNABLE start at startup"));
        QCOMPARE(last_title(), QStringLiteral("Invalid spell"));
    }

    void bad_input_is_reported_shortened_and_clean() {
        cast(QString(100000, QLatin1Char('x')));
        QCOMPARE(last_title(), QStringLiteral("Invalid spell"));
        QVERIFY(shown.last().size() < 600);
        cast(QStringLiteral("help") + QChar(0) + QStringLiteral("me"));
        QCOMPARE(last_title(), QStringLiteral("Invalid spell"));
        QVERIFY(!shown.last().contains(QChar(0)));
        QVERIFY(urls.opened.isEmpty());
        // The program goes on: a good spell still works.
        cast("off monitor 1");
        QCOMPARE(stored("IgnoreMonitors").toString(), QStringLiteral("1:"));
    }

    void notifications_follow_their_own_switch() {
        const int trails = system().trail_requests().size();
        cast("disable hidden features notifications");
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.last().endsWith(
            QStringLiteral("This is the last notification that you will see")));
        QCOMPARE(stored("UseHiddenFeaturesNotifications").toBool(), false);

        // Silent from now on, rows 7 to 10 and 12 included; the spells still act.
        for (const char* spell : {"reset", "reset colors", "invert colors", "off monitor 5",
                                  "enable software cursor", "rubbish"})
            cast(spell);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(stored("IgnoreMonitors").toString(), QStringLiteral("5:"));
        QCOMPARE(system().trail_requests().mid(trails), QList<int>({-1}));

        cast("enable hidden features notifications");
        QCOMPARE(shown.size(), 1);
        QCOMPARE(stored("UseHiddenFeaturesNotifications").toBool(), true);
        cast("reset");
        QCOMPARE(shown.last(),
                 QStringLiteral("Reset colors|Screen colors are reset to default values"));
    }

    void cursor_spells() {
        const int trails = system().trail_requests().size();
        cast("yes software mouse");
        cast("disable software cursor");
        QCOMPARE(system().trail_requests().mid(trails), QList<int>({-1, 0}));
        QCOMPARE(shown.at(0).section('|', 0, 0), QStringLiteral("Software cursor enabled"));
        QCOMPARE(last_title(), QStringLiteral("Hardware cursor enabled"));
        // A desktop without the setting: logged, and the notification was still given.
        system().set_trails_supported(false);
        cast("on software cursor");
        QCOMPARE(shown.size(), 3);
    }

    void switches_are_stored() {
        cast("disable keyboard shortcuts");
        cast("no inverted icons");
        cast("off tray icon rotation");
        cast("disable create shortcuts automatically");
        cast("stop deadpoll");
        QCOMPARE(stored("UseKeyboardShortcuts").toBool(), false);
        QCOMPARE(stored("UseInvertedIcons").toBool(), false);
        QCOMPARE(stored("UseSpinningTrayIcon").toBool(), false);
        QCOMPARE(stored("CreateShortcutsAutomatically").toBool(), false);
        QCOMPARE(shown.size(), 4);
        QCOMPARE(last_title(), QStringLiteral("Create shortcuts disabled"));
        cast("disable hidden features");
        QCOMPARE(stored("UseHiddenFeatures").toBool(), false);
        QCOMPARE(last_title(), QStringLiteral("Hidden features disabled"));

        cast("reset settings");
        QCOMPARE(last_title(), QStringLiteral("Reset settings"));
        for (const char* key : {"UseKeyboardShortcuts", "UseInvertedIcons", "UseHiddenFeatures",
                                "CreateShortcutsAutomatically"})
            QCOMPARE(stored(key).toBool(), true);
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
    }

    void reset_settings_registers_the_default_shortcuts() {
        FakeGlobalHotkeys& hotkeys = FakePlatform::get().hotkeys();
        const QKeySequence custom(QStringLiteral("Ctrl+Alt+O"));
        const QKeySequence standard(ShortcutsDialog::default_sequence(0));
        app->shortcuts_dialog()->set_sequence(0, custom.toString());
        app->update_global_shortcuts();
        QVERIFY(hotkeys.is_registered(custom));
        QVERIFY(!hotkeys.is_registered(standard));
        const QString order = app->m_paste_order;

        cast("reset settings");
        QCOMPARE(app->shortcuts_dialog()->sequence(0), standard.toString());
        QVERIFY(!hotkeys.trigger(custom));
        QCOMPARE(app->m_paste_order, order);
        QVERIFY(hotkeys.trigger(standard));
        QVERIFY(app->m_paste_order != order);
        QCOMPARE(hotkeys.registered().size(), ShortcutsDialog::row_count);
    }

    void pages_opened() {
        cast("help");
        cast("trololo");
        cast("fuck   you");
        cast("affiliate");
        QCOMPARE(urls.opened.size(), 4);
        QVERIFY(urls.opened[0].startsWith(QStringLiteral("file:///")));
        QVERIFY(QFile::exists(QUrl(urls.opened[0]).toLocalFile()));
        QCOMPARE(urls.opened[1], QStringLiteral("https://en.wikipedia.org/wiki/Trololo"));
        QCOMPARE(urls.opened[2], QStringLiteral("https://en.wikipedia.org/wiki/Politeness"));
        QCOMPARE(urls.opened[3], urls.opened[0]);
        QVERIFY(shown.isEmpty());
        // Every keyword leads to a page of its own.
        QStringList addresses;
        for (const auto& keyword : HiddenFeatures::keyword_addresses())
            addresses << keyword.second;
        addresses.removeDuplicates();
        QCOMPARE(addresses.size(), 7);
    }

    void the_tray_entry_shows_help_first_then_one_dialog() {
        app->enter_hidden_feature_spell();
        QCOMPARE(urls.opened.size(), 1);
        QCOMPARE(stored("HiddenFeaturesHelpAlreadyShown").toBool(), true);
        auto dialogs = [] {
            QList<InputDialog*> found;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<InputDialog*>(widget))
                    found << dialog;
            return found;
        };
        QVERIFY(dialogs().isEmpty());
        app->enter_hidden_feature_spell();
        app->enter_hidden_feature_spell();
        QCOMPARE(dialogs().size(), 1);
        InputDialog* dialog = dialogs().first();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Hidden features"));
        QCOMPARE(dialog->size(), QSize(170, 90));
        auto* line = dialog->findChild<QLineEdit*>(QStringLiteral("input_text"));
        line->setText(QStringLiteral("off monitor 7"));
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(stored("IgnoreMonitors").toString(), QStringLiteral("7:"));
        QTRY_VERIFY(dialogs().isEmpty()); // closed and gone
        QVERIFY(!app->hidden_features()->spell_dialog_open());
        app->enter_hidden_feature_spell();
        QCOMPARE(dialogs().size(), 1);
    }
};

QTEST_MAIN(TestSpells)
#include "tst_spells.moc"
