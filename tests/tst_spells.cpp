#include "AppHarness.h"
#include "TestWidgets.h"
#include "spells/InputDialog.h"
#include "spells/SpellToken.h"

#include <QLineEdit>
#include <QtTest>

using Kind = SpellToken::Kind;

class TestSpells : public QObject {
    Q_OBJECT
    // The one place the spell interpreter is built: on bare settings kept by a SaveManager, its
    // actions recorded.
    struct Spells : AppHarness::Saved {
        QStringList shown; // "title|text" of every notification shown
        QStringList done;  // every other action, in order
        HiddenFeatures features{
            nullptr,
            settings,
            {[this] { done << "open " + HiddenFeatures::help_url(); },
             [this](const QString& address) { done << "open " + address; },
             [this] { saver.save_settings(); },
             [this] {
                 saver.reset_settings();
                 saver.load_settings();
             },
             [this] { done << "tray menu"; },
             [this](const QString& title, const QString& text) { shown << title + '|' + text; },
             [this](bool on) { done << (on ? "login on" : "login off"); },
             // A desktop without the cursor setting: the spell is announced all the same.
             [this](int trails, QString*) {
                 done << QStringLiteral("trails %1").arg(trails);
                 return false;
             }}};
    };
    std::unique_ptr<Spells> made;

    static QList<InputDialog*> dialogs() {
        return TestWidgets::windows<InputDialog>(QStringLiteral("Hidden features"), true);
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        made = std::make_unique<Spells>();
    }
    void cleanup() {
        qDeleteAll(dialogs());
        made.reset();
    }

    // ---- Reading a spell ----

    void tokens() {
        const std::tuple<const char*, Kind, double> rows[] = {
            {"ENable", Kind::Boolean, 1},   {"start", Kind::Boolean, 1}, // true words, any case
            {"HALT", Kind::Boolean, 0},     {"2147483647", Kind::Integer, 2147483647.0},
            {"2147483648", Kind::Word, 0},  {"-2147483648", Kind::Integer, -2147483648.0},
            {"-2147483649", Kind::Word, 0}, {"+7", Kind::Integer, 7},
            {".5", Kind::Decimal, 0.5},     {"5.", Kind::Decimal, 5},
            {"+1.25", Kind::Decimal, 1.25}, {"-", Kind::Word, 0},
            {".", Kind::Word, 0},           {"1.2.3", Kind::Word, 0},
            {"2nd", Kind::Word, 0},         {"Monitor", Kind::Word, 0}};
        for (const auto& [word, kind, value] : rows) {
            const QList<SpellToken> tokens = SpellToken::tokenize("  " + QByteArray(word) + "\t");
            QCOMPARE(tokens.size(), 1);
            QCOMPARE(tokens[0].text, QByteArray(word).toLower());
            QVERIFY2(tokens[0].kind == kind, word);
            if (kind == Kind::Boolean)
                QVERIFY2(tokens[0].boolean_value == (value != 0), word);
            else if (kind != Kind::Word)
                QCOMPARE(tokens[0].decimal_value, value);
        }
        // Patterns no spell uses yet (the rest is read through the spells below).
        const auto match = [](const char* pattern, const char* spell) {
            return SpellToken::matches(pattern, SpellToken::tokenize(spell));
        };
        QVERIFY(match("%f", "2") && match("%f", "-.5") && !match("%f", "two"));
        QVERIFY(match("%s", "two") && !match("%s", "yes") && !match("%s", "2"));
    }

    // ---- Spells, by what they change and what they show ----

    // The spells cast in order (split at ';'), the key they leave stored ("Key=value"), the
    // start of the last notification ("title|text") and the other actions taken (split at ';').
    // Bad input is reported shortened and clean.
    void spells_data() {
        QTest::addColumn<QString>("spells");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("done");
        const auto row = [](const QString& spells, const char* stored, const char* last,
                            const QString& done = QString()) {
            QTest::newRow(
                (spells.size() < 50 ? spells : spells.left(24) + ".." + spells.right(24)).toUtf8())
                << spells << QString(stored) << QString(last) << done;
        };
        row("Enable Start At Startup", "StartAtStartup=true",
            "Start at startup enabled|Corvana will start when you turn ON your computer",
            "login on");
        row("Enable Start At Startup;disable start at startup", "StartAtStartup=false",
            "Start at startup disabled|", "login on;login off");
        row("start start at startup", "StartAtStartup=true", "Start at startup enabled|",
            "login on");
        row("yes software mouse", "", "Software cursor enabled|", "trails -1");
        row("yes software mouse;disable software cursor", "", "Hardware cursor enabled|",
            "trails -1;trails 0");
        const QString help = "open " + HiddenFeatures::help_url();
        row("help;trololo;fuck   you;affiliate", "", "",
            help +
                ";open https://en.wikipedia.org/wiki/Trololo;open "
                "https://en.wikipedia.org/wiki/Politeness;" +
                help);
        row("off monitor 2;off monitor 2;off monitor -3", "IgnoreMonitors=2:-3:",
            "Monitor -3 disabled|Corvana will not apply color changes to Monitor -3");
        row("off monitor 2;on monitor 2", "IgnoreMonitors=", "Monitor 2 enabled|");
        row("off monitor 1;monitor 2 off", "IgnoreMonitors=1:", "Invalid spell|");
        row("off monitor 2.5", "IgnoreMonitors=", "Invalid spell|");
        row("maybe monitor 2", "IgnoreMonitors=", "Invalid spell|");
        // Beyond 32 bits: no monitor 2 by wrap-around.
        row("off monitor 4294967298", "IgnoreMonitors=", "Invalid spell|");
        row("disable keyboard shortcuts", "UseKeyboardShortcuts=false",
            "Keyboard shortcuts disabled|");
        row("no inverted icons", "UseInvertedIcons=false", "Inverted icons disabled|");
        row("off tray icon rotation", "UseSpinningTrayIcon=false",
            "Tray icon rotation is disabled|");
        row("disable create shortcuts automatically", "CreateShortcutsAutomatically=false",
            "Create shortcuts disabled|");
        row("disable hidden features", "UseHiddenFeatures=false", "Hidden features disabled|",
            "tray menu");
        row("no inverted icons;disable hidden features;reset settings", "UseInvertedIcons=true",
            "Reset settings|", "tray menu");
        // Notifications follow their own switch: silent once off (rows 7 to 10 and 12 too), while
        // the spells still act; switching them on again is silent itself.
        const QString quiet = QStringLiteral("disable hidden features notifications");
        row(quiet, "UseHiddenFeaturesNotifications=false",
            "Notifications disabled|Hidden features notifications are disabled. This is the "
            "last notification that you will see");
        row(quiet + ";reset;reset colors;invert colors;off monitor 5;enable "
                    "software cursor;rubbish",
            "IgnoreMonitors=5:", "Notifications disabled|", "tray menu;trails -1");
        row(quiet + ";enable hidden features notifications", "UseHiddenFeaturesNotifications=true",
            "Notifications disabled|");
        row(quiet + ";enable hidden features notifications;reset", "",
            "Reset colors|Screen colors are reset to default values");
        row("help me", "",
            "Invalid spell|The spell \"help me\" seems wrong. Check the syntax or try with some "
            "other hidden feature.\nUse \"help\" to see the list of all hidden features :)");
        row("   ", "", "Invalid spell|The spell \"   \"");
        row("", "", "");
        // Letters outside ASCII are not folded, so this is no known spell.
        row(QStringLiteral("ÉNABLE start at startup"), "", "Invalid spell|");
        row(QString(100000, QLatin1Char('x')), "", "Invalid spell|");
        row(QStringLiteral("help") + QChar(0) + "me", "", "Invalid spell|");
    }
    void spells() {
        QFETCH(QString, spells);
        QFETCH(QString, stored);
        QFETCH(QString, last);
        QFETCH(QString, done);
        for (const QString& spell : spells.split(QLatin1Char(';')))
            made->features.activate(spell);
        const QStringList& shown = made->shown;
        if (!stored.isEmpty())
            QCOMPARE(AppHarness::stored(stored.section('=', 0, 0)), stored.section('=', 1));
        QCOMPARE(shown.isEmpty() ? QString() : shown.last().left(qMax(1, last.size())), last);
        if (!shown.isEmpty())
            QVERIFY(shown.last().size() < 600 && !shown.last().contains(QChar(0)));
        QCOMPARE(made->done.join(';'), done);
    }

    // App: the reset's defaults are the sequences that act at once.
    void reset_settings_registers_the_default_shortcuts() {
        made.reset();
        auto app = AppHarness::make_app();
        FakeGlobalHotkeys& hotkeys = FakePlatform::get().hotkeys();
        const QString custom = QStringLiteral("Ctrl+Alt+O"), order = app->m_paste_order;
        app->shortcuts_dialog()->set_sequence(0, custom);
        app->shortcuts_dialog()->accept();
        app->hidden_features()->activate(QStringLiteral("reset settings"));
        QCOMPARE(app->shortcuts_dialog()->sequence(0), ShortcutsDialog::default_sequence(0));
        QVERIFY(!hotkeys.trigger(custom) && hotkeys.trigger(ShortcutsDialog::default_sequence(0)));
        QVERIFY(app->m_paste_order != order);
        QCOMPARE(hotkeys.registered().size(), ShortcutsDialog::row_count);
    }

    void the_tray_entry_shows_help_first_then_one_dialog() {
        HiddenFeatures& features = made->features;
        features.enter_spell();
        QCOMPARE(made->done, QStringList{"open " + HiddenFeatures::help_url()});
        QVERIFY(QFile::exists(QUrl(HiddenFeatures::help_url()).toLocalFile()));
        QCOMPARE(AppHarness::stored("HiddenFeaturesHelpAlreadyShown"), QStringLiteral("true"));
        QVERIFY(dialogs().isEmpty());
        features.enter_spell();
        features.enter_spell();
        QCOMPARE(dialogs().size(), 1);
        auto* line = dialogs().first()->findChild<QLineEdit*>(QStringLiteral("input_text"));
        line->setText(QStringLiteral("off monitor 7"));
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(AppHarness::stored("IgnoreMonitors"), QStringLiteral("7:"));
        QTRY_VERIFY(dialogs().isEmpty()); // closed and gone
        features.enter_spell();
        QCOMPARE(dialogs().size(), 1);
    }
};

QTEST_MAIN(TestSpells)
#include "tst_spells.moc"
