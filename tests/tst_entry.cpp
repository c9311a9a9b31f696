#include "AppHarness.h"
#include "app/AppLog.h"
#include "app/SingleApplication.h"

#include <QSettings>
#include <QtTest>

class TestEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppHarness::init_process(); }

    void app_log_lines_link_to_their_call_site() {
        QCOMPARE(AppLog::format_line("/home/dev/corvana/project/src/App.cpp", 42, "hello: world"),
                 QByteArray("file:///..\\project\\src\\App.cpp:42: hello: world\n"));
        const QByteArray line = AppLog::format_line(__FILE__, 7, "x");
        QVERIFY(line.startsWith("file:///..\\tests\\tst_entry.cpp:7: "));
    }

    void server_name_keeps_only_safe_characters() {
        QCOMPARE(SingleApplication::server_name("Tavrin Labs", "Corvana"),
                 QStringLiteral("Tavrin LabsCorvana"));
        QCOMPARE(SingleApplication::server_name("a/b:c", "d-e.f g\\h*"),
                 QStringLiteral("abcd-e.f gh"));
    }

    void a_termination_request_ends_like_quit() {
        AppHarness::remove_settings();
        auto app = AppHarness::make_app();
        Platform::instance().on_termination_request([&app] { app->quit(); });
        app->m_paste_order = QStringLiteral("forward");
        const QString temp = app->temp_dir_path();
        QVERIFY(QFileInfo::exists(temp + "/curr"));
        QTimer::singleShot(0, [] { FakePlatform::get().request_termination(); });
        QCOMPARE(QCoreApplication::exec(), 0); // the loop ends
        QCOMPARE(QSettings(AppHarness::settings_file(), QSettings::IniFormat)
                     .value("PasteOrder")
                     .toString(),
                 QStringLiteral("forward"));
        app.reset();
        QVERIFY(!QFileInfo::exists(temp));
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
