// The Windows backend against the desktop Wine gives it: the Run value, shell links, hotkeys,
// and the keyboard and mouse hooks with input sent through SendInput. Everything lands in the
// test prefix.
#include "WinAutostart.h"
#include "WinGlobalHotkeys.h"
#include "WinInputInjector.h"
#include "WinKeyboard.h"
#include "WinMouseHook.h"
#include "WinShellLinks.h"
#include "platform/PasteHold.h"
#include "platform/VirtualKeys.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <windows.h>

namespace {
// As another program sends keys: extra is what it puts in dwExtraInfo.
void send(WORD key, bool down, quintptr extra = 0) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = extra;
    SendInput(1, &input, sizeof(input));
}

// The next press the hook queued with key, those before it dropped; false after 5 s.
bool next_press(WinKeyboardHook& hook, QSemaphore& woken, int key, WinKeyboardHook::Press* press) {
    while (woken.tryAcquire(1, 5000)) {
        while (hook.peek(press)) {
            if (press->key == key)
                return true;
            hook.pop();
        }
    }
    return false;
}

} // namespace

class TestWinDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // A name of its own: the end-to-end tests use the program's in the same prefix.
        QCoreApplication::setApplicationName(QStringLiteral("CorvanaBackendTest"));
    }

    void run_value_written_matched_and_removed() {
        WinAutostart autostart;
        // Read from the registry at each call.
        const QSettings run(QStringLiteral("HKEY_CURRENT_USER\\") +
                                QString::fromWCharArray(WinAutostart::run_key()),
                            QSettings::NativeFormat);
        const QString exe = QStringLiteral("C:/Program Files/Corvana Test/corvana.exe");
        QString error;
        QVERIFY(autostart.disable(&error));
        QVERIFY(!autostart.matches(exe, QString()));
        QVERIFY2(autostart.enable(exe, QStringLiteral("C:/ignored"), &error), qPrintable(error));
        // Quoted: the path has spaces.
        QCOMPARE(run.value(QCoreApplication::applicationName()).toString(),
                 QStringLiteral("\"C:\\Program Files\\Corvana Test\\corvana.exe\""));
        QVERIFY(autostart.matches(exe, QString()));
        QVERIFY(!autostart.matches(QStringLiteral("C:/other/corvana.exe"), QString()));
        QVERIFY(autostart.disable(&error));
        QVERIFY(run.value(QCoreApplication::applicationName()).toString().isEmpty());
        QVERIFY(!autostart.matches(exe, QString()));
        QVERIFY2(autostart.disable(&error), "removing what is not there is no failure");
    }

    void shell_links_made_and_foreign_ones_left_alone() {
        WinShellLinks links;
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString name = QStringLiteral("Launcher"), exe = qApp->applicationFilePath();
        ShellLinks::Link link{
            ShellLinks::Place::Applications, qAppName(), name, name, exe, work.path()};
        const QString path = WinShellLinks::path_for(link);
        QFile::remove(path); // left by an earlier run
        QString error;
        QVERIFY2(links.create(link, &error), qPrintable(error));
        QVERIFY(QFileInfo::exists(path));
        QVERIFY2(links.create(link, &error), "our own link is made again");

        ShellLinks::Link foreign = link;
        foreign.name = QStringLiteral("Foreign");
        QFile file(WinShellLinks::path_for(foreign));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a link of ours") > 0);
        file.close();
        QVERIFY(!links.create(foreign, &error));
        QVERIFY2(error.contains(QStringLiteral("left alone")), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a link of ours"));

        ShellLinks::Link missing = link;
        missing.target = work.path() + QStringLiteral("/missing.exe");
        QVERIFY(!links.create(missing, &error));
        QFile::remove(path);
        file.remove(); // closed first
        QDir(QFileInfo(path).absolutePath()).rmdir(QStringLiteral("."));
    }

    void hotkeys_shared_refused_and_unmappable() {
        WinGlobalHotkeys hotkeys;
        const QKeySequence sequence(QStringLiteral("Ctrl+Alt+F7"));
        const auto first = hotkeys.register_hotkey(sequence);
        const auto second = hotkeys.register_hotkey(sequence);
        QVERIFY2(first.id > 0, qPrintable(first.error));
        QVERIFY2(second.id > 0 && second.id != first.id, qPrintable(second.error));

        // Held by us while one registration is left.
        HWND other = CreateWindowExW(0, L"STATIC", L"other", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     nullptr, nullptr);
        QVERIFY(other);
        hotkeys.unregister_hotkey(first.id);
        QVERIFY(!RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, VK_F7));
        hotkeys.unregister_hotkey(second.id);
        QVERIFY(RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, VK_F7));

        // Taken by another window: refused, with the reason.
        const auto refused = hotkeys.register_hotkey(sequence);
        QCOMPARE(refused.id, 0);
        QVERIFY(refused.failure == GlobalHotkeys::Registration::Failure::Refused);
        QVERIFY(!refused.error.isEmpty());
        // A character reached with Shift on the layout ("<" on a US keyboard) is registered with
        // it.
        const auto shifted = hotkeys.register_hotkey(QKeySequence(QStringLiteral("Ctrl+Alt+<")));
        QVERIFY2(shifted.id > 0, qPrintable(shifted.error));
        QVERIFY(!RegisterHotKey(other, 2, MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_OEM_COMMA));
        hotkeys.unregister_hotkey(shifted.id);

        UnregisterHotKey(other, 1);
        DestroyWindow(other);

        const auto unmappable = hotkeys.register_hotkey(QKeySequence(Qt::CTRL + Qt::Key_Launch0));
        QCOMPARE(unmappable.id, 0);
        QVERIFY(unmappable.failure == GlobalHotkeys::Registration::Failure::Unmappable);
    }

    // Our own keys: their paste is not held, so this thread may send it and report it after.
    void keyboard_reports_in_order_with_modifiers() {
        PasteHold hold;
        WinKeyboard keyboard(hold);
        QVector<QPair<int, bool>> reports; // key, Ctrl down
        connect(&keyboard, &Keyboard::signal_key_pressed, this, [&](int key, int) {
            reports.append({key, keyboard.was_down(VK_CONTROL)});
        });
        QVERIFY(keyboard.set_hooked(true));
        WinInputInjector injector;
        // Ctrl+C, Ctrl+V, then X alone: each key pressed, then released (negated).
        const int keys[] = {VK_CONTROL, 'C', -'C', 'V', -'V', -VK_CONTROL, 'X', -'X'};
        for (const int key : keys)
            injector.send_key(std::abs(key), key > 0);
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 4, 10000); // presses only
        QCOMPARE(reports.mid(1),
                 (QVector<QPair<int, bool>>{
                     {VirtualKeys::C, true}, {VirtualKeys::V, true}, {VirtualKeys::X, false}}));
        QVERIFY(!keyboard.set_hooked(false));
    }

    void keyboard_hook_holds_paste_unless_ours_data() {
        QTest::addColumn<quintptr>("extra");
        QTest::addColumn<bool>("held");
        QTest::newRow("another program's, untagged") << quintptr(0) << true;
        QTest::newRow("another program's tag") << quintptr(0x1234) << true;
        QTest::newRow("ours") << WinInputInjector::extra_info << false;
    }

    // A Ctrl+V another program injects waits for its report like a typed one; ours goes on.
    void keyboard_hook_holds_paste_unless_ours() {
        QFETCH(quintptr, extra);
        QFETCH(bool, held);
        QSemaphore woken;
        WinKeyboardHook hook([&] { woken.release(); });
        QString error;
        QVERIFY2(hook.start(&error), qPrintable(error));
        std::atomic<bool> v_sent{false};
        std::thread other([&] {
            send(VK_CONTROL, true, extra);
            send('V', true, extra);
            v_sent = true;
            send('V', false, extra);
            send(VK_CONTROL, false, extra);
        });
        WinKeyboardHook::Press press;
        const bool seen = next_press(hook, woken, VirtualKeys::V, &press);
        if (seen && press.held) {
            QVERIFY2(!v_sent, "the held paste went on before its report");
            QVERIFY(hook.claim(press.serial) && hook.begin_report(press.serial));
            hook.finish(press.serial);
        }
        other.join();
        hook.stop();
        QVERIFY(seen);
        QCOMPARE(press.held, held);
    }

    // Windows removes a slow hook without a word; the next Ctrl seen through raw input brings it
    // back, in time for the V after it.
    void keyboard_hook_removed_behind_its_back_comes_back() {
        QSemaphore woken;
        WinKeyboardHook hook([&] { woken.release(); });
        QString error;
        QVERIFY2(hook.start(&error), qPrintable(error));
        void* const removed = hook.handle();
        QVERIFY(UnhookWindowsHookEx(static_cast<HHOOK>(removed)));
        send(VK_CONTROL, true, WinInputInjector::extra_info);
        QTRY_VERIFY_WITH_TIMEOUT(hook.handle() != removed, 5000);
        send('V', true, WinInputInjector::extra_info);
        send('V', false, WinInputInjector::extra_info);
        send(VK_CONTROL, false, WinInputInjector::extra_info);
        WinKeyboardHook::Press press;
        QVERIFY(next_press(hook, woken, VirtualKeys::V, &press));
        QVERIFY(press.down.test(VK_CONTROL));
    }

    // Renewed while keys come: the new hook is in before the old one goes.
    void keyboard_hook_installed_again_misses_no_key() {
        std::atomic<int> seen{0};
        WinKeyboardHook hook([&] { ++seen; });
        QString error;
        QVERIFY2(hook.start(&error), qPrintable(error));
        constexpr int presses = 300;
        std::atomic<bool> done{false};
        std::thread other([&] {
            for (int i = 0; i < presses; ++i) {
                send(VK_F24, true);
                send(VK_F24, false);
            }
            done = true;
        });
        int renewals = 0;
        while (!done) {
            hook.reinstall();
            ++renewals;
            QThread::usleep(200);
        }
        other.join();
        QTRY_COMPARE_WITH_TIMEOUT(seen.load(), presses, 5000);
        QVERIFY(renewals > presses / 10);
    }

    // The pointer goes on while the GUI thread is stuck (its hook would hold every move up).
    void mouse_hook_answers_while_gui_thread_stalls() {
        WinMouseHook mouse;
        int moves = 0;
        QString error;
        QVERIFY2(mouse.install(
                     [&](const MouseHook::Event& event) {
                         moves += event.kind == MouseHook::Event::Kind::Move;
                     },
                     &error),
                 qPrintable(error));
        std::atomic<qint64> took_ms{-1};
        std::thread other([&] {
            INPUT input = {INPUT_MOUSE, {{3, 2, 0, MOUSEEVENTF_MOVE, 0, 0}}};
            QElapsedTimer timer;
            timer.start();
            SendInput(1, &input, sizeof(input));
            took_ms = timer.elapsed();
        });
        Sleep(1000); // the stall: no message is handled
        other.join();
        QVERIFY2(took_ms < 500, qPrintable(QStringLiteral("a move took %1 ms").arg(took_ms)));
        QTRY_VERIFY_WITH_TIMEOUT(moves > 0, 5000);
        mouse.uninstall();
        QVERIFY(!mouse.installed());
    }
};

QTEST_MAIN(TestWinDesktop)
#include "tst_win_desktop.moc"
