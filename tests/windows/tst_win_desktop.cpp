// The Windows backend against the desktop Wine gives it: the Run value, shell links, hotkeys,
// and the keyboard hook with keys sent through SendInput. Everything lands in the test prefix.
#include "WinAutostart.h"
#include "WinGlobalHotkeys.h"
#include "WinKeyboard.h"
#include "WinShellLinks.h"
#include "platform/PasteHold.h"
#include "platform/VirtualKeys.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <windows.h>

namespace {
void send(WORD key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

QString run_value(const QString& name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, WinAutostart::run_key(),
                     reinterpret_cast<const wchar_t*>(name.utf16()), RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return QString();
    return QString::fromWCharArray(buffer);
}

// A .lnk asked of the file system itself: Qt takes it for a link to its target.
const wchar_t* native(const QString& path) {
    static QString kept;
    kept = QDir::toNativeSeparators(path);
    return reinterpret_cast<const wchar_t*>(kept.utf16());
}

struct Report {
    int key;
    bool ctrl;
};
} // namespace

class TestWinDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void run_value_written_matched_and_removed();
    void shell_links_made_and_foreign_ones_left_alone();
    void hotkeys_shared_refused_and_unmappable();
    void keyboard_reports_in_order_with_modifiers();
};

void TestWinDesktop::initTestCase() {
    // A name of its own: the end-to-end tests use the program's in the same prefix.
    QCoreApplication::setApplicationName(QStringLiteral("CorvanaBackendTest"));
}

void TestWinDesktop::run_value_written_matched_and_removed() {
    WinAutostart autostart;
    const QString exe = QStringLiteral("C:/Program Files/Corvana Test/corvana.exe");
    QString error;
    QVERIFY(autostart.disable(&error));
    QVERIFY(!autostart.matches(exe, QString()));
    QVERIFY2(autostart.enable(exe, QStringLiteral("C:/ignored"), &error), qPrintable(error));
    // Quoted: the path has spaces.
    QCOMPARE(run_value(QCoreApplication::applicationName()),
             QStringLiteral("\"C:\\Program Files\\Corvana Test\\corvana.exe\""));
    QVERIFY(autostart.matches(exe, QString()));
    QVERIFY(!autostart.matches(QStringLiteral("C:/other/corvana.exe"), QString()));
    QVERIFY(autostart.disable(&error));
    QVERIFY(run_value(QCoreApplication::applicationName()).isEmpty());
    QVERIFY(!autostart.matches(exe, QString()));
    QVERIFY2(autostart.disable(&error), "removing what is not there is no failure");
}

void TestWinDesktop::shell_links_made_and_foreign_ones_left_alone() {
    WinShellLinks links;
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString target = QCoreApplication::applicationFilePath();
    ShellLinks::Link link{ShellLinks::Place::Applications,
                          QStringLiteral("CorvanaBackendTest"),
                          QStringLiteral("Launcher"),
                          QStringLiteral("Launcher"),
                          target,
                          work.path()};
    const QString path = WinShellLinks::path_for(link);
    DeleteFileW(native(path)); // left by an earlier run
    QString error;
    QVERIFY2(links.create(link, &error), qPrintable(error));
    QVERIFY(GetFileAttributesW(native(path)) != INVALID_FILE_ATTRIBUTES);
    QVERIFY2(links.create(link, &error), "our own link is made again");

    ShellLinks::Link foreign = link;
    foreign.name = QStringLiteral("Foreign");
    const QString foreign_path = WinShellLinks::path_for(foreign);
    QFile file(foreign_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a link of ours");
    file.close();
    QVERIFY(!links.create(foreign, &error));
    QVERIFY2(error.contains(QStringLiteral("left alone")), qPrintable(error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a link of ours"));
    file.close();

    ShellLinks::Link missing = link;
    missing.target = work.path() + QStringLiteral("/missing.exe");
    QVERIFY(!links.create(missing, &error));
    DeleteFileW(native(path));
    DeleteFileW(native(foreign_path));
    QDir(QFileInfo(path).absolutePath()).rmdir(QStringLiteral("."));
}

void TestWinDesktop::hotkeys_shared_refused_and_unmappable() {
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
    // A character reached with Shift on the layout ("<" on a US keyboard) is registered with it.
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

void TestWinDesktop::keyboard_reports_in_order_with_modifiers() {
    PasteHold hold;
    WinKeyboard keyboard(hold);
    QVector<Report> reports;
    connect(&keyboard, &Keyboard::signal_key_pressed, this, [&](int key, int) {
        reports.append({key, keyboard.was_down(VK_CONTROL)});
    });
    QVERIFY(keyboard.set_hooked(true));
    send(VK_CONTROL, true);
    send('C', true);
    send('C', false);
    send('V', true);
    send('V', false);
    send(VK_CONTROL, false);
    send('X', true);
    send('X', false);
    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty() && reports.last().key == VirtualKeys::X, 10000);
    QVector<int> keys;
    for (const Report& report : reports)
        keys.append(report.key);
    QCOMPARE(keys.size(), 4); // presses only
    QCOMPARE(keys.mid(1), (QVector<int>{VirtualKeys::C, VirtualKeys::V, VirtualKeys::X}));
    QVERIFY(reports[1].ctrl && reports[2].ctrl);
    QVERIFY(!reports[3].ctrl);
    QVERIFY(!keyboard.set_hooked(false));
}

QTEST_MAIN(TestWinDesktop)
#include "tst_win_desktop.moc"
