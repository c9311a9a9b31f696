#include "AppHarness.h"
#include "TestWidgets.h"
#include "tray/TrayIcon.h"

#include <QMenu>
#include <QMessageBox>
#include <QtTest>

// The tray icon on bare settings and history: its menu in each state, the actions its entries
// and clicks ask for, its messages and the spell-click ritual.
class TestTray : public QObject {
    Q_OBJECT
    // The one place the tray is built; asked lists the actions it asked for, in order.
    struct Tray {
        AppSettings settings;
        HistoryState state;
        ClipboardHistory history{state, settings};
        QStringList asked;
        std::function<void()> ask(const char* action) {
            return [this, action] { asked << QLatin1String(action); };
        }
        TrayIcon icon{nullptr,
                      settings,
                      history,
                      {ask("settings"), ask("spell"), ask("lock"), ask("unlock"), ask("history"),
                       ask("quit"), ask("pause"), ask("save")}};
    };
    std::unique_ptr<Tray> made;
    TrayIcon* tray = nullptr;
    void make() {
        made = std::make_unique<Tray>();
        tray = &made->icon;
    }
    static QList<QMessageBox*> boxes() { return TestWidgets::windows<QMessageBox>(); }
    static void close_boxes() {
        for (QMessageBox* box : boxes())
            box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The menu's entries, "-" for a separator.
    QStringList entries() const {
        QStringList texts;
        for (QAction* action : tray->menu()->actions())
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() { make(); }
    void cleanup() {
        made.reset();
        close_boxes();
    }

    void the_menu_in_each_state_and_the_clicks_ask_for_their_actions() {
        const QStringList full = {"Settings",        "&Hidden features", "-",
                                  "&Lock CLipboard", "&Show History",    "&Exit"};
        QCOMPARE(entries(), full);
        for (QAction* action : tray->menu()->actions())
            action->trigger();
        QCOMPARE(made->asked, QStringList({"settings", "spell", "lock", "history", "quit"}));

        made->settings.m_use_hidden_features = false;
        // Rebuilding many times leaves one set of entries.
        for (int i = 0; i < 5; ++i)
            tray->refresh_tray_menu();
        QCOMPARE(entries(),
                 QStringList({"Settings", "-", "&Lock CLipboard", "&Show History", "&Exit"}));

        // A click or a double click opens the window, a middle click pauses and saves; only the
        // left click counts toward the spell.
        made->asked.clear();
        for (const auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                                  QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick})
            tray->icon_activated(reason);
        QCOMPARE(made->asked, QStringList({"settings", "settings", "pause", "save"}));
        QCOMPARE(tray->spell_click_count(), 1);
    }

    // Without a tray a message is a box that blocks nothing; the platform's notice about the
    // session is given at start, and none where it has nothing to say.
    void without_a_tray_messages_are_boxes_that_block_nothing() {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has none
        tray->show_at_start(QString());
        QVERIFY(boxes().isEmpty());
        tray->show_at_start(QStringLiteral("bind the keys"));
        QPointer<QMessageBox> box = boxes().value(0);
        QVERIFY(box && boxes().size() == 1 && !box->isModal());
        QCOMPARE(box->windowTitle() + ": " + box->text(), "Corvana on Wayland: bind the keys");
        // A second message reuses the open box rather than piling up windows.
        TrayIcon::show_message(tray, "Image Saved", "Second");
        QVERIFY(boxes() == QList<QMessageBox*>{box} && box->text() == "Second");
        // Nothing owns it: quitting with it still open must not leave it behind.
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit") && box.isNull());
    }

    // Six clicks ("Abra"), a rest without clicks ("Cadabra"), six more ("Alakazam"). Each case:
    // click counts, "rest" (the rest's timer ends) and "end" (the spell's duration ends), then
    // what comes of it: armed, on (the hidden features, with their entry, saved) or "-".
    void the_spell_clicks() {
        for (const QString& line : QStringList{"5 -", "6 armed", "6 1 rest 6 armed",
                                               "6 rest 3 end 6 armed", "6 rest 6 on"}) {
            make();
            made->settings.m_use_hidden_features = false;
            tray->refresh_tray_menu();
            QStringList steps = line.split(' ');
            const QString result = steps.takeLast();
            for (const QString& step : steps) {
                if (step == "rest") {
                    QVERIFY(tray->spell_timer()->isActive());
                    tray->spell_timer_finished();
                } else if (step == "end") {
                    QVERIFY(tray->spell_duration_timer()->isActive());
                    tray->spell_duration_timer_finished();
                }
                for (int i = 0; i < step.toInt(); ++i)
                    tray->count_spell_clicks();
            }
            const bool on = made->settings.m_use_hidden_features;
            QVERIFY2(tray->spell_armed() == (result == "armed") && on == (result == "on") &&
                         bool(TestWidgets::action(tray->menu(), "&Hidden features")) == on &&
                         made->asked == (on ? QStringList{"save"} : QStringList()),
                     qPrintable(line));
        }
        QVERIFY(!tray->spell_ready() && tray->spell_click_count() == 0);
        // The notification, as a box without a tray.
        QVERIFY(boxes().size() == 1 &&
                boxes()[0]->text().contains("Hidden features are activated"));
        // Switched on, clicks count for nothing.
        for (int i = 0; i < 12; ++i)
            tray->count_spell_clicks();
        QVERIFY(tray->spell_click_count() == 0 && !tray->spell_armed());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
