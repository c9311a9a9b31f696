#include "AppHarness.h"
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
QString stored(const char* key) {
    QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
    return file.value(QLatin1String(key)).toString();
}
} // namespace

// The tray icon: its menu in each state, its clicks, its messages and the spell-click ritual.
class TestTray : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    TrayIcon* tray() { return app->tray_icon(); }
    void clicks(int n) {
        for (int i = 0; i < n; ++i)
            tray()->count_spell_clicks();
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        app = AppHarness::make_app();
        close_boxes();
    }
    void cleanup() {
        app.reset();
        close_boxes();
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("XDG_SESSION_TYPE");
    }

    void the_menu_in_each_state() {
        const QStringList full = {"Settings",        "&Hidden features", "-",
                                  "&Lock CLipboard", "&Show History",    "&Exit"};
        QCOMPARE(entries(tray()), full);
        QVERIFY(!entry(tray(), "&Hidden features")->icon().isNull());

        entry(tray(), "&Lock CLipboard")->trigger();
        QVERIFY(app->m_position_locked);
        QCOMPARE(entries(tray())[3], QStringLiteral("&Unlock Clipboard"));
        QCOMPARE(tray()->current_icon_name(), QStringLiteral(":/images/key.svg"));

        // Unlocking shows the running icon even while paused, until the next refresh.
        app->m_is_paused = true;
        entry(tray(), "&Unlock Clipboard")->trigger();
        QVERIFY(!app->m_position_locked);
        QCOMPARE(tray()->current_icon_name(), QStringLiteral(":/images/app.png"));
        app->update_ui();
        QCOMPARE(tray()->current_icon_name(), QStringLiteral(":/images/app_paused.png"));

        app->m_use_hidden_features = false;
        tray()->refresh_tray_menu();
        QCOMPARE(entries(tray()),
                 QStringList({"Settings", "-", "&Lock CLipboard", "&Show History", "&Exit"}));
        // Rebuilding many times leaves one set of entries.
        for (int i = 0; i < 5; ++i)
            tray()->refresh_tray_menu();
        QCOMPARE(tray()->menu()->actions().size(), 5);

        // Entries whose windows are not built yet do not fail.
        entry(tray(), "&Show History")->trigger();
        entry(tray(), "Settings")->trigger();
        QVERIFY(app->isVisible());
    }

    void clicks_open_the_window_and_a_middle_click_pauses_and_saves() {
        app->hide();
        tray()->icon_activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(app->isVisible());
        app->hide();
        tray()->icon_activated(QSystemTrayIcon::Context);
        QVERIFY(!app->isVisible());

        tray()->icon_activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(app->m_is_paused);
        QCOMPARE(tray()->current_icon_name(), QStringLiteral(":/images/app_paused.png"));
        QCOMPARE(stored("IsCorvanaPaused"), QStringLiteral("true"));
        tray()->icon_activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(!app->m_is_paused);
        QCOMPARE(tray()->current_icon_name(), QStringLiteral(":/images/app.png"));
        QCOMPARE(stored("IsCorvanaPaused"), QStringLiteral("false"));
    }

    void without_a_tray_messages_are_boxes_that_block_nothing() {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has none
        app->show_tray_message("Title", "Text");
        const QList<QMessageBox*> boxes = open_boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->text(), QStringLiteral("Text"));
        QVERIFY(!boxes.first()->isModal());
        // A second message reuses the open box rather than piling up windows.
        app->show_tray_message("Image Saved", "Second");
        QCOMPARE(open_boxes().size(), 1);
        QCOMPARE(open_boxes().first()->text(), QStringLiteral("Second"));
        // Nothing owns it: quitting with it still open must not leave it behind.
        QPointer<QMessageBox> box = boxes.first();
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
        QVERIFY(box.isNull());
    }

    void a_wayland_session_is_told_once_at_start() {
        QVERIFY(TrayIcon::wayland_notice().isEmpty());
        app.reset();
        close_boxes();
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        app = AppHarness::make_app();
        QList<QMessageBox*> boxes = open_boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->windowTitle(), QStringLiteral("Corvana on Wayland"));
        QVERIFY(boxes.first()->text().contains("XWayland"));
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("XDG_SESSION_TYPE", "wayland");
        QVERIFY(!TrayIcon::wayland_notice().isEmpty());
        qputenv("XDG_SESSION_TYPE", "x11");
        QVERIFY(TrayIcon::wayland_notice().isEmpty());
    }

    void the_spell_completes_after_six_clicks_a_rest_and_six_more() {
        app->m_use_hidden_features = false;
        tray()->refresh_tray_menu();
        clicks(5);
        QCOMPARE(tray()->spell_click_count(), 5);
        QVERIFY(!tray()->spell_armed());
        clicks(1); // "Abra"
        QVERIFY(tray()->spell_armed());
        QCOMPARE(tray()->spell_click_count(), 0);
        QVERIFY(tray()->spell_timer()->isActive());
        QCOMPARE(tray()->spell_timer()->interval(), 6000);
        QVERIFY(tray()->spell_duration_timer()->isActive());
        QCOMPARE(tray()->spell_duration_timer()->interval(), 30000);

        tray()->spell_timer_finished(); // the rest was kept: "Cadabra"
        QVERIFY(tray()->spell_ready());
        clicks(6); // "Alakazam"
        QVERIFY(app->m_use_hidden_features);
        QVERIFY(!tray()->spell_ready() && !tray()->spell_armed());
        QCOMPARE(tray()->spell_click_count(), 0);
        QVERIFY(entry(tray(), "&Hidden features"));
        QCOMPARE(stored("UseHiddenFeatures"), QStringLiteral("true"));
        QCOMPARE(open_boxes().size(), 1); // the notification, as a box without a tray
        QVERIFY(open_boxes().first()->text().contains("Hidden features are activated"));

        // Switched on, clicks count for nothing.
        clicks(12);
        QCOMPARE(tray()->spell_click_count(), 0);
        QVERIFY(!tray()->spell_armed());
    }

    void a_click_during_the_rest_breaks_the_spell() {
        app->m_use_hidden_features = false;
        clicks(6);
        clicks(1); // too soon
        QVERIFY(!tray()->spell_armed());
        tray()->spell_timer_finished();
        QVERIFY(!tray()->spell_ready());
        QCOMPARE(tray()->spell_click_count(), 0);
        clicks(6); // a new "Abra", not an activation
        QVERIFY(tray()->spell_armed());
        QVERIFY(!app->m_use_hidden_features);
    }

    void the_duration_ends_an_unfinished_spell() {
        app->m_use_hidden_features = false;
        clicks(6);
        tray()->spell_timer_finished();
        QVERIFY(tray()->spell_ready());
        clicks(3);
        tray()->spell_duration_timer_finished();
        QVERIFY(!tray()->spell_ready() && !tray()->spell_armed());
        QCOMPARE(tray()->spell_click_count(), 0);
        clicks(6);
        QVERIFY(!app->m_use_hidden_features); // started over: this is "Abra" again
        QVERIFY(tray()->spell_armed());
    }

    void a_left_click_on_the_icon_counts_toward_the_spell() {
        app->m_use_hidden_features = false;
        app->hide();
        tray()->icon_activated(QSystemTrayIcon::Trigger);
        QCOMPARE(tray()->spell_click_count(), 1);
        QVERIFY(app->isVisible());
        tray()->icon_activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(tray()->spell_click_count(), 1);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
