#include "AppHarness.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/HistoryState.h"
#include "common/AppSettings.h"
#include "tray/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QtTest>

namespace {
QStringList entries(TrayIcon* tray) {
    QStringList texts;
    for (QAction* action : tray->menu()->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}
QAction* entry(TrayIcon* tray, const QString& text) {
    for (QAction* action : tray->menu()->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}
QList<QMessageBox*> open_boxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.append(box);
    return boxes;
}
void close_boxes() {
    for (QMessageBox* box : open_boxes())
        box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

const QString running = QStringLiteral(":/images/app.png");
const QString paused = QStringLiteral(":/images/app_paused.png");

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
    QStringList& asked() { return made->asked; }
    void make() {
        made = std::make_unique<Tray>();
        tray = &made->icon;
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        make();
        close_boxes();
    }
    void cleanup() {
        made.reset();
        close_boxes();
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("XDG_SESSION_TYPE");
    }

    void the_menu_in_each_state_asks_for_its_actions() {
        const QStringList full = {"Settings",        "&Hidden features", "-",
                                  "&Lock CLipboard", "&Show History",    "&Exit"};
        QCOMPARE(entries(tray), full);
        QVERIFY(!entry(tray, "&Hidden features")->icon().isNull());
        for (const QString& text : full)
            if (text != QLatin1String("-"))
                entry(tray, text)->trigger();
        QCOMPARE(asked(), QStringList({"settings", "spell", "lock", "history", "quit"}));

        made->history.lock();
        tray->show_lock(true);
        QCOMPARE(entries(tray)[3], QStringLiteral("&Unlock Clipboard"));
        QCOMPARE(tray->current_icon_name(), QStringLiteral(":/images/key.svg"));
        entry(tray, "&Unlock Clipboard")->trigger();
        QCOMPARE(asked().last(), QStringLiteral("unlock"));
        // Unlocking shows the running icon even while paused, until the next refresh.
        made->history.unlock();
        tray->show_lock(false);
        QCOMPARE(entries(tray)[3], QStringLiteral("&Lock CLipboard"));
        QCOMPARE(tray->current_icon_name(), running);
        tray->set_app_info(QStringLiteral("paused"), QString());
        QCOMPARE(tray->current_icon_name(), paused);

        made->settings.m_use_hidden_features = false;
        // Rebuilding many times leaves one set of entries.
        for (int i = 0; i < 5; ++i)
            tray->refresh_tray_menu();
        QCOMPARE(entries(tray),
                 QStringList({"Settings", "-", "&Lock CLipboard", "&Show History", "&Exit"}));
    }

    // A click or a double click opens the window, a middle click pauses and saves; only the
    // left click counts toward the spell.
    void clicks() {
        made->settings.m_use_hidden_features = false;
        for (const auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                                  QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick})
            tray->icon_activated(reason);
        QCOMPARE(asked(), QStringList({"settings", "settings", "pause", "save"}));
        QCOMPARE(tray->spell_click_count(), 1);
    }

    void without_a_tray_messages_are_boxes_that_block_nothing() {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has none
        TrayIcon::show_message(tray, "Title", "Text");
        const QList<QMessageBox*> boxes = open_boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->text(), QStringLiteral("Text"));
        QVERIFY(!boxes.first()->isModal());
        // A second message reuses the open box rather than piling up windows.
        TrayIcon::show_message(tray, "Image Saved", "Second");
        QCOMPARE(open_boxes().size(), 1);
        QCOMPARE(open_boxes().first()->text(), QStringLiteral("Second"));
        // Nothing owns it: quitting with it still open must not leave it behind.
        QPointer<QMessageBox> box = boxes.first();
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
        QVERIFY(box.isNull());
    }

    void a_wayland_session_is_told_once_at_start() {
        tray->show_at_start(QString());
        QVERIFY(open_boxes().isEmpty());
        make();
        tray->show_at_start(QStringLiteral("bind the keys"));
        QList<QMessageBox*> boxes = open_boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->windowTitle(), QStringLiteral("Corvana on Wayland"));
        QCOMPARE(boxes.first()->text(), QStringLiteral("bind the keys"));
    }

    // Six clicks ("Abra"), a rest without clicks ("Cadabra"), six more ("Alakazam"): steps are
    // click counts, "rest" (the rest's timer ends) and "end" (the spell's duration ends).
    void the_spell_clicks_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<bool>("activated");
        QTest::newRow("five clicks") << QStringList{"5"} << false << false;
        QTest::newRow("six clicks") << QStringList{"6"} << true << false;
        QTest::newRow("six, a rest, six") << QStringList{"6", "rest", "6"} << false << true;
        QTest::newRow("a click during the rest breaks it")
            << QStringList{"6", "1", "rest", "6"} << true << false;
        QTest::newRow("the duration ends it")
            << QStringList{"6", "rest", "3", "end", "6"} << true << false;
    }
    void the_spell_clicks() {
        QFETCH(QStringList, steps);
        QFETCH(bool, armed);
        QFETCH(bool, activated);
        made->settings.m_use_hidden_features = false;
        tray->refresh_tray_menu();
        for (const QString& step : steps) {
            if (step == QLatin1String("rest")) {
                QVERIFY(tray->spell_timer()->isActive());
                tray->spell_timer_finished();
            } else if (step == QLatin1String("end")) {
                QVERIFY(tray->spell_duration_timer()->isActive());
                tray->spell_duration_timer_finished();
            } else {
                for (int i = 0; i < step.toInt(); ++i)
                    tray->count_spell_clicks();
            }
        }
        QCOMPARE(tray->spell_armed(), armed);
        QCOMPARE(made->settings.m_use_hidden_features, activated);
        QCOMPARE(bool(entry(tray, "&Hidden features")), activated);
        QCOMPARE(asked(), activated ? QStringList{"save"} : QStringList());
        if (!activated)
            return;
        QVERIFY(!tray->spell_ready());
        QCOMPARE(tray->spell_click_count(), 0);
        QCOMPARE(open_boxes().size(), 1); // the notification, as a box without a tray
        QVERIFY(open_boxes().first()->text().contains("Hidden features are activated"));
        // Switched on, clicks count for nothing.
        for (int i = 0; i < 12; ++i)
            tray->count_spell_clicks();
        QCOMPARE(tray->spell_click_count(), 0);
        QVERIFY(!tray->spell_armed());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
