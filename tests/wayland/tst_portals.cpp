// The desktop portals' clients against a fake portal on a bus of the test's own: what is asked,
// what an answer does, and what a portal that never answers or answers with a hostile file costs.
#include "AppHarness.h"
#include "PortalGlobalHotkeys.h"
#include "PortalInputInjector.h"
#include "PortalRequest.h"
#include "PortalScreenCapture.h"
#include "WaylandKeyState.h"
#include "clipboard/PictureDecoder.h"
#include "platform/VirtualKeys.h"
#include "shortcuts/HotkeyProcessor.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QtTest>

namespace {
const QString shortcuts_interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString screenshot_interface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString remote_interface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

// The portal service, on a thread of its own so that the clients' blocking calls get answers.
// response < 0: the requests are taken and never answered; responses: per method, instead.
class FakePortal : public QDBusVirtualObject {
public:
    QMutex mutex;
    QStringList offered{shortcuts_interface, screenshot_interface, remote_interface};
    int response = 0;
    QMap<QString, int> responses;
    QStringList keys;
    QVariantMap devices;
    int tokens = 0;
    QString uri;
    QStringList methods;
    QVariantMap last_options;
    QList<QPair<QString, QVariantMap>> bound;
    QString session;

    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        QMutexLocker lock(&mutex);
        const QVariantList args = call.arguments();
        if (call.member() == QLatin1String("Get")) {
            bus.send(offered.contains(args.value(0).toString())
                         ? call.createReply(QVariant::fromValue(QDBusVariant(1u)))
                         : call.createErrorReply(QDBusError::UnknownInterface, "no"));
            return true;
        }
        methods << call.member();
        if (call.member().startsWith(QLatin1String("NotifyKeyboard"))) {
            keys << call.member().mid(14) + ' ' + args.value(2).toString() + ' ' +
                        args.value(3).toString();
            bus.send(call.createReply());
            return true;
        }
        last_options = qdbus_cast<QVariantMap>(args.last());
        QString sender = call.service().mid(1).replace('.', '_');
        const QString handle = PortalRequest::desktop_path + "/request/" + sender + '/' +
                               last_options.value("handle_token").toString();
        QVariantMap results;
        if (call.member() == QLatin1String("CreateSession")) {
            session = PortalRequest::desktop_path + "/session/" + sender + '/' +
                      last_options.value("session_handle_token").toString();
            results["session_handle"] = session;
        } else if (call.member() == QLatin1String("BindShortcuts")) {
            args.value(1).value<QDBusArgument>() >> bound;
        } else if (call.member() == QLatin1String("SelectDevices")) {
            devices = last_options;
        } else if (call.member() == QLatin1String("Start")) {
            results["devices"] = 1u;
            results["restore_token"] = QString("token-%1").arg(++tokens);
        } else {
            results["uri"] = uri;
        }
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        const int answer = responses.value(call.member(), response);
        if (answer >= 0)
            bus.send(
                QDBusMessage::createSignal(handle, "org.freedesktop.portal.Request", "Response")
                << uint(answer) << results);
        return true;
    }
};
} // namespace

class TestPortals : public QObject {
    Q_OBJECT
    QProcess m_daemon;
    QThread m_thread;
    FakePortal* m_portal = nullptr;
    QDBusConnection m_client{QString()};
    QDBusConnection m_service{QString()};

    // response for every request, but the methods' own in responses.
    void set(int response, const QString& uri = QString(),
             const QMap<QString, int>& responses = {}) {
        QMutexLocker lock(&m_portal->mutex);
        m_portal->response = response;
        m_portal->uri = uri;
        m_portal->methods.clear();
        m_portal->responses = responses;
        m_portal->keys.clear();
    }
    QStringList methods() {
        QMutexLocker lock(&m_portal->mutex);
        return m_portal->methods;
    }

private slots:
    void initTestCase() {
        // A bus of our own, whether or not the suite runs under one.
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(m_daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_service = QDBusConnection::connectToBus(address, "service");
        m_client = QDBusConnection::connectToBus(address, "client");
        QVERIFY(m_service.isConnected() && m_client.isConnected());
        m_portal = new FakePortal;
        m_portal->moveToThread(&m_thread);
        m_thread.start();
        QVERIFY(m_service.registerVirtualObject(PortalRequest::desktop_path, m_portal));
        QVERIFY(m_service.registerService(PortalRequest::service));
    }

    // Ctrl+V through the remote-control portal: asked once with the keyboard only, the token kept
    // and sent back at the next start; a declined question or a silent portal types nothing and
    // says so once.
    void keys_through_the_remote_desktop_portal() {
        const QString token_file = QDir::currentPath() + "/remote-desktop-token";
        const QStringList ctrl_v{"Keycode 29 1", "Keysym 118 1", "Keysym 118 0", "Keycode 29 0"};
        const int ctrl = VirtualKeys::Control, v = VirtualKeys::V;
        const std::pair<int, bool> stroke[] = {{ctrl, true}, {v, true}, {v, false}, {ctrl, false}};
        const struct {
            int consent; // the portal's answer to Start
            const char* token_sent;
            const char* token_kept;
            const char* error;
        } rows[] = {
            {0, "", "token-1", ""},
            {0, "token-1", "token-2", ""},
            {1, "token-2", "token-2", "declined"},
            {-1, "token-2", "token-2", "did not answer"},
        };
        for (const auto& row : rows) {
            set(0, QString(), {{"Start", row.consent}});
            PortalInputInjector injector(m_client, token_file, 300, 600);
            QElapsedTimer clock;
            clock.start();
            const QByteArray log = AppHarness::standard_output_of([&] {
                for (int twice = 0; twice < 2; ++twice)
                    for (const auto& key : stroke)
                        injector.send_key(key.first, key.second);
            });
            QVERIFY(clock.elapsed() < 3000);
            QVERIFY2(injector.error().contains(row.error), qPrintable(injector.error()));
            QCOMPARE(log.count("keys cannot be typed"), *row.error ? 1 : 0);
            QMutexLocker lock(&m_portal->mutex);
            QCOMPARE(m_portal->methods.mid(0, 3),
                     QStringList({"CreateSession", "SelectDevices", "Start"}));
            QCOMPARE(m_portal->devices.value("types"), QVariant(1u));
            QCOMPARE(m_portal->devices.value("persist_mode"), QVariant(2u));
            QCOMPARE(m_portal->devices.value("restore_token").toString(), QString(row.token_sent));
            QCOMPARE(m_portal->keys, *row.error ? QStringList() : ctrl_v + ctrl_v);
            QFile kept(token_file);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray(row.token_kept));
        }
    }

    void cleanupTestCase() {
        m_service.unregisterObject(PortalRequest::desktop_path);
        m_thread.quit();
        m_thread.wait();
        delete m_portal;
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void only_what_the_portal_offers_is_used() {
        QVERIFY(PortalGlobalHotkeys::offered(m_client) && PortalScreenCapture::offered(m_client) &&
                PortalInputInjector::offered(m_client));
        m_portal->mutex.lock();
        m_portal->offered = QStringList{screenshot_interface};
        m_portal->mutex.unlock();
        QVERIFY(!PortalGlobalHotkeys::offered(m_client) && PortalScreenCapture::offered(m_client) &&
                !PortalInputInjector::offered(m_client));
        QVERIFY(!PortalGlobalHotkeys::offered(QDBusConnection(QString())));
        m_portal->offered << shortcuts_interface;
    }

    // Every row under its table key, in one batch; the user's keys as preferred triggers where
    // the portal's form can say them; a press runs the row's action, for our session only.
    void shortcuts_are_bound_and_run() {
        set(0);
        PortalGlobalHotkeys portal(m_client, 5000);
        ShortcutsDialog sequences(nullptr);
        sequences.set_sequence(ShortcutTable::LiveZoom, QString::fromUtf8("Ctrl+Alt+é"));
        WaylandKeyState keys;
        HotkeyProcessor processor(sequences, keys, portal);
        QSignalSpy ran(&processor, &HotkeyProcessor::signal_shortcut);
        QTRY_COMPARE(methods(), QStringList({"CreateSession", "BindShortcuts"}));
        QMap<QString, QVariantMap> bound;
        for (const auto& shortcut : m_portal->bound)
            bound[shortcut.first] = shortcut.second;
        QCOMPARE(bound.size(), ShortcutTable::row_count);
        const struct {
            ShortcutTable::Row row;
            const char* trigger;
        } rows[] = {
            {ShortcutTable::SwitchPasteOrder, "CTRL+ALT+slash"},
            {ShortcutTable::ClipboardUndo, "CTRL+ALT+less"},
            {ShortcutTable::ClearHistory, "CTRL+ALT+SHIFT+h"},
            {ShortcutTable::ClipboardRedoWithArrow, "CTRL+ALT+Right"},
            {ShortcutTable::OpenAutocomplete, "CTRL+ALT+space"},
            {ShortcutTable::LockCurrentPosition, "CTRL+backslash"},
            {ShortcutTable::ZoomWithPen, "CTRL+2"},
            {ShortcutTable::LiveZoom, ""},
        };
        for (const auto& row : rows) {
            const QVariantMap shortcut = bound.value(ShortcutTable::entry(row.row)->key);
            QCOMPARE(shortcut.value("description").toString(),
                     QString(ShortcutTable::entry(row.row)->label));
            QCOMPARE(shortcut.value("preferred_trigger").toString(), QString(row.trigger));
        }
        const auto press = [this](const QString& session, const char* id) {
            m_service.send(QDBusMessage::createSignal(PortalRequest::desktop_path,
                                                      shortcuts_interface, "Activated")
                           << QVariant::fromValue(QDBusObjectPath(session)) << QString(id)
                           << qulonglong(0) << QVariantMap());
        };
        press(PortalRequest::desktop_path + "/session/other", "ToggleNote");
        press(m_portal->session, "OpenHistoryDialog");
        QTRY_COMPARE(ran.count(), 1);
        QCOMPARE(ran.takeFirst().value(0).toInt(), int(ShortcutTable::OpenHistoryDialog));
        // The settings dialog's round trip asks nothing new of the portal.
        processor.disconnect_shortcuts();
        processor.update_shortcuts();
        press(m_portal->session, "ToggleNote");
        QTRY_COMPARE(ran.count(), 1);
        // A call answered after the batch went out: whatever it sent has been handled.
        QVERIFY(PortalGlobalHotkeys::offered(m_client));
        QCOMPARE(methods().size(), 2);
    }

    // A request the portal never answers ends; the next one is asked.
    void an_unanswered_request_ends() {
        set(-1);
        PortalGlobalHotkeys portal(m_client, 300);
        portal.register_action(QKeySequence("Ctrl+1"), {"a", "A"});
        QTRY_COMPARE(methods(), QStringList({"CreateSession"}));
        portal.register_action(QKeySequence("Ctrl+2"), {"b", "B"});
        QTRY_COMPARE(methods(), QStringList({"CreateSession", "CreateSession"}));
    }

    // The area is cut from the portal's picture of the whole desktop, at any pixel density; what
    // the portal names is read only when it is a local picture within the limits.
    void screenshot_through_the_portal() {
        const QRect desktop = QGuiApplication::primaryScreen()->geometry();
        const QString dir = QDir::currentPath();
        QFile(dir + "/large.png").open(QIODevice::WriteOnly);
        QFile(dir + "/large.png").resize(PictureDecoder::max_file_bytes + 1);
        const struct {
            int response;
            const char* uri;
            int scale; // of a picture written to shot.png
            const char* error;
        } rows[] = {
            {0, "file://%1/shot.png", 1, ""},
            {0, "file://%1/shot.png", 2, ""},
            {0, "file://%1/missing.png", 0, "cannot be read"},
            {0, "file://%1/large.png", 0, "too large"},
            {0, "https://example.org/shot.png", 0, "no local file"},
            {1, "", 0, "cancelled"},
            {-1, "", 0, "did not answer"},
        };
        for (const auto& row : rows) {
            if (row.scale) {
                QImage whole(desktop.size() * row.scale, QImage::Format_RGB32);
                whole.fill(Qt::blue);
                QPainter(&whole).fillRect(0, 0, whole.width() / 2, whole.height() / 2, Qt::red);
                QVERIFY(whole.save(dir + "/shot.png"));
            }
            set(row.response, QString(row.uri).replace("%1", dir));
            PortalScreenCapture capture(m_client, 500);
            QString error;
            const QRect area(desktop.center() - QPoint(10, 10), QSize(20, 20));
            const QImage image = capture.grab(area, &error);
            QVERIFY2(error.contains(row.error), qPrintable(error));
            QCOMPARE(image.isNull(), row.scale == 0);
            QCOMPARE(m_portal->last_options.value("interactive"), QVariant(false));
            if (row.scale) {
                QCOMPARE(image.size(), area.size());
                QCOMPARE(QColor(image.pixel(2, 2)), QColor(Qt::red));
                QCOMPARE(QColor(image.pixel(17, 17)), QColor(Qt::blue));
            }
        }
    }
};

QTEST_MAIN(TestPortals)
#include "tst_portals.moc"
