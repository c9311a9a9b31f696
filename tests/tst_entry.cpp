#include "AppHarness.h"
#include "PosixFiles.h"
#include "TestWidgets.h"
#include "app/CommandLine.h"
#include "app/InstanceChannel.h"
#include "app/SingleApplication.h"
#include "app/TerminationHandler.h"
#include "common/AppLog.h"
#include "common/PrivateFiles.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>

namespace {
using Single = SingleApplication;
std::unique_ptr<QLocalSocket> client(const QString& name, const QByteArray& bytes) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(name);
    if (socket->waitForConnected(1000) && !bytes.isEmpty())
        socket->write(bytes);
    return socket;
}
// The answer line, or "closed" when the connection ended without one.
QByteArray answer_of(QLocalSocket& socket) {
    (void)QTest::qWaitFor(
        [&] { return socket.canReadLine() || socket.state() != QLocalSocket::ConnectedState; },
        5000);
    return socket.canReadLine() ? socket.readLine().trimmed() : QByteArray("closed");
}
} // namespace

class TestEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppHarness::init_process(); }

    // Log lines link to their call site; the guard's names keep only safe characters and are
    // per user and display.
    void names_and_command_line() {
        QCOMPARE(AppLog::format_line("/home/dev/corvana/project/src/App.cpp", 42, "hello: world"),
                 QByteArray("file:///..\\project\\src\\App.cpp:42: hello: world\n"));
        QVERIFY(AppLog::format_line(__FILE__, 7, "x")
                    .startsWith("file:///..\\tests\\tst_entry.cpp:7: "));
        QCOMPARE(Single::server_name("a/b:c", "d-e.f g\\h*"), QStringLiteral("abcd-e.f gh"));
        QCOMPARE(Single::instance_name("T L", "C", QString()), QStringLiteral("T LC"));
        QCOMPARE(Single::instance_name("T L", "C", ":1"), QStringLiteral("T LC-_1"));
        QVERIFY(Single::instance_name("T", "C", "host:1") !=
                Single::instance_name("T", "C", "host1"));

        // The command line, each case: the arguments | the outcome (run, help, version, usage)
        // and the action; Qt's own options pass.
        const QStringList cases =
            QString("| run; --help | help; -h | help; --version | version; --paste | usage; "
                    "--paste-next | run paste-next; file.txt | usage; -platform | usage; "
                    "--quit --show-history | usage; "
                    "-platform offscreen -style=fusion --reverse --quit | run quit")
                .split("; ");
        const QString texts[] = {QString(), CommandLine::usage(),
                                 QStringLiteral("Corvana " CORVANA_VERSION "\n")};
        for (const QString& line : cases) {
            const QStringList result = line.section('|', 1).split(' ', Qt::SkipEmptyParts);
            const CommandLine::Parsed parsed = CommandLine::parse(
                QStringList{"corvana"} + line.section('|', 0, 0).split(' ', Qt::SkipEmptyParts));
            const int outcome = QStringList{"run", "help", "version", "usage"}.indexOf(result[0]);
            const bool usage = outcome == int(CommandLine::Outcome::UsageError);
            QVERIFY2(int(parsed.outcome) == outcome && parsed.action == result.value(1) &&
                         parsed.exit_code == (usage ? 2 : 0) &&
                         (usage ? parsed.text.startsWith("corvana: ") &&
                                      parsed.text.endsWith("\n\n" + CommandLine::usage())
                                : parsed.text == texts[outcome]),
                     qPrintable(line + ": " + parsed.text));
        }
    }

    void the_channel_serves_this_users_known_commands_and_no_one_else() {
        QTemporaryDir dir;
        const QString name = dir.filePath("channel");
        QLocalServer server;
        QVERIFY(server.listen(name));
        InstanceChannel channel;
        connect(&server, &QLocalServer::newConnection, [&] {
            while (QLocalSocket* connection = server.nextPendingConnection())
                channel.take(connection);
        });
        QSignalSpy commands(&channel, &InstanceChannel::command_received);
        QSignalSpy shows(&channel, &InstanceChannel::show_up);

        // A client that says nothing holds up neither the others nor the program.
        auto silent = client(name, "toggle");
        QElapsedTimer timer;
        timer.start();
        auto known = client(name, "toggle-pause\n");
        QCOMPARE(answer_of(*known), QByteArray("ok"));
        QVERIFY(timer.elapsed() < InstanceChannel::read_limit_ms);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands.at(0).at(0).toString(), QStringLiteral("toggle-pause"));

        const QByteArray log = AppHarness::standard_output_of([&] {
            auto unknown = client(name, "rm -rf \x1b[31m\n");
            QCOMPARE(answer_of(*unknown), QByteArray("error: unknown command"));
            auto overlong = client(name, QByteArray(InstanceChannel::max_line + 1, 'x'));
            QCOMPARE(answer_of(*overlong), QByteArray("error: line too long"));
            QCOMPARE(answer_of(*silent), QByteArray("closed")); // at the time limit
        });
        QVERIFY2(log.contains("unknown command \"rm -rf \\x1b[31m\" refused") &&
                     log.contains("no command line within"),
                 log.constData());
        QCOMPARE(commands.size(), 1);
        QCOMPARE(shows.size(), 0);

        // A start without a command, as every start was before there were commands.
        client(name, QByteArray())->disconnectFromServer();
        QTRY_COMPARE(shows.size(), 1);

        // Another user's process is refused before a byte is read.
        channel.set_peer_check([](qintptr, QString* error) {
            *error = QStringLiteral("the peer runs as another user (uid 4242)");
            return false;
        });
        const QByteArray refused = AppHarness::standard_output_of([&] {
            auto other = client(name, "quit\n");
            QCOMPARE(answer_of(*other), QByteArray("closed"));
        });
        QVERIFY2(refused.contains("refused: the peer runs as another user"), refused.constData());
        QCOMPARE(commands.size(), 1);
    }

    // One claim wins and the others find it. A lock no live process holds is taken over
    // whatever it says; a live holder that does not answer keeps its lock.
    void one_claim_wins_and_old_locks_are_taken_over() {
        using Claim = Single::Claim;
        QTemporaryDir dir;
        const QString name = dir.filePath("server");
        QLockFile first(name + ".lock"), second(name + ".lock");
        QCOMPARE(Single::claim(&first, name, 0), Claim::First);
        // Held, nobody answering yet: a start gives up only after waiting.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(Single::claim(&second, name, 300), Claim::Unanswered);
        QVERIFY(timer.elapsed() >= 300);
        QVERIFY(!second.isLocked());
        // The holder answers: the start is the second one.
        QLocalServer server;
        QVERIFY(server.listen(name));
        QCOMPARE(Single::claim(&second, name, 3000), Claim::Running);
        QVERIFY(!second.isLocked());
        server.close();
        // Released (the first instance ended): the next start is the first.
        first.unlock();
        QCOMPARE(Single::claim(&second, name, 0), Claim::First);
        second.unlock();

        const auto write_aged = [&](QIODevice::OpenMode mode, const QByteArray& contents) {
            QFile file(name + ".lock");
            return file.open(mode) && file.write(contents) == contents.size() &&
                   file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                    QFileDevice::FileModificationTime);
        };
        // Left by a crash on another host name, by a process id now reused, or cut short.
        for (const QByteArray& contents :
             {QByteArray("1\nCorvana\nanother-host\n"), QByteArray("1\ncorvana\n\n"),
              QByteArray("\xff\x00garbage"), QByteArray()}) {
            QVERIFY(write_aged(QIODevice::WriteOnly | QIODevice::Truncate, contents));
            QLockFile lock(name + ".lock");
            timer.start();
            QCOMPARE(Single::claim(&lock, name, 5000), Claim::First);
            QVERIFY2(timer.elapsed() < 3000, contents.toHex().constData());
            lock.unlock();
        }
        if (!has_posix_files)
            QSKIP(
                "Windows keeps a held lock file open for its holder alone: no one else can age it");
        QCOMPARE(Single::claim(&first, name, 0), Claim::First);
        QVERIFY(write_aged(QIODevice::ReadWrite | QIODevice::Append, QByteArray()));
        QCOMPARE(Single::claim(&second, name, 1500), Claim::Unanswered);
        QVERIFY(first.isLocked());
        QVERIFY(QFileInfo::exists(name + ".lock"));
    }

    void the_guard_is_never_in_a_shared_folder() {
        QString error;
        QCOMPARE(Single::instance_dir("/run/user/1000", &error), QStringLiteral("/run/user/1000"));
        // Without a runtime folder: a private folder of this user's, not the current folder.
        const QString own = Single::instance_dir(QString(), &error);
        QCOMPARE(own,
                 QDir::tempPath() + "/corvana-" + QString::number(PrivateFiles::current_user_id()));
        const QFileInfo info(own);
        QVERIFY(info.isDir());
        QCOMPARE(info.ownerId(), PrivateFiles::current_user_id());
        if (has_posix_files)
            QCOMPARE(int(info.permissions() & 0x0077), 0); // nothing for group and others
        // Taken by something else: the next candidate, still private.
        QVERIFY(QDir(own).removeRecursively());
        QVERIFY(TestWidgets::write_file(own, "squatter"));
        const QString next = Single::instance_dir(QString(), &error);
        QVERIFY2(!next.isEmpty() && next != own && QFileInfo(next).isAbsolute() &&
                     QFileInfo(next).isDir(),
                 qPrintable(next + error));
        QFile::remove(own);
        // A link of ours to a folder of ours (a relocated folder) is followed and its target
        // narrowed; another user's link is never followed, and its target is left as it was.
        for (const bool ours : {true, false}) {
            if (!has_posix_files)
                break;
            QTemporaryDir target;
            QVERIFY(QFile::setPermissions(target.path(), QFile::Permissions(0x7755)));
            QVERIFY(QFile::link(target.path(), own));
            if (!ours && PrivateFiles::current_user_id() != 0) {
                QFile::remove(own);
                QSKIP("only root can give a link to another user");
            }
            if (!ours)
                QCOMPARE(QProcess::execute("chown", {"-h", "65534", own}), 0);
            QCOMPARE(Single::instance_dir(QString(), &error), ours ? own : next);
            QCOMPARE(int(QFileInfo(target.path()).permissions() & 0x0077), ours ? 0 : 0x0055);
            QFile::remove(own);
        }
    }

    void a_termination_request_ends_like_quit() {
        AppHarness::remove_settings();
        TerminationHandler::install();
        // Before App exists the request ends the event loop.
        QTimer::singleShot(0, [] { FakePlatform::get().request_termination(); });
        QCOMPARE(QCoreApplication::exec(), 0);

        auto app = AppHarness::make_app();
        app->m_paste_order = QStringLiteral("forward");
        const QString temp = app->temp_dir_path();
        QVERIFY(QFileInfo::exists(temp + "/curr"));
        const int hand_overs = FakePlatform::get().fake_clipboard_owner().hand_overs();
        QTimer::singleShot(0, [] { FakePlatform::get().request_termination(); });
        QCOMPARE(QCoreApplication::exec(), 0); // the loop ends
        // What we serve is offered to the clipboard manager before the end.
        QCOMPARE(FakePlatform::get().fake_clipboard_owner().hand_overs(), hand_overs + 1);
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("PasteOrder").toString(), QStringLiteral("forward"));
        app.reset();
        QVERIFY(!QFileInfo::exists(temp));
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
