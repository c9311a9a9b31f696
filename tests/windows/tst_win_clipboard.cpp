// The clipboard backend against Wine's clipboard: entries served with delayed rendering and read
// back, the marks on our own writes, secrets and live formats in what others offer, what stays on
// the clipboard when the owner is gone, and an owner that never renders what it offers. Copies
// heard through the listener are driven through Wine's bridge by the end-to-end tests.
#include "WinClipboardOwner.h"
#include "WinClipboardReader.h"
#include "clipboard/SecretContent.h"
#include "platform/PasteHold.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <tuple>

#include <windows.h>

namespace {
HGLOBAL global_copy(const QByteArray& bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(qMax(1, bytes.size())));
    std::memcpy(GlobalLock(memory), bytes.constData(), size_t(bytes.size()));
    GlobalUnlock(memory);
    return memory;
}

// Another program's write: its own window, opened, emptied, filled, closed. False when the
// clipboard could not be opened.
bool write_as_other(const QList<QPair<unsigned, QByteArray>>& formats) {
    HWND window = CreateWindowExW(0, L"STATIC", L"other", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    const bool opened = OpenClipboard(window);
    if (opened) {
        EmptyClipboard();
        for (const auto& entry : formats)
            SetClipboardData(entry.first, global_copy(entry.second));
        CloseClipboard();
    }
    DestroyWindow(window);
    return opened;
}

QByteArray unicode(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
}

// An owner that offers text and, asked for it, renders only once answered. Meanwhile it still
// answers other messages, as an owner waiting on a slow source does, so that another program's
// copy is not held up by it.
struct StuckOwner {
    HANDLE answer = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> asked{false};
    std::atomic<DWORD> thread_id{0};
    std::thread thread{[this] { run(); }};

    StuckOwner() {
        while (!thread_id)
            std::this_thread::yield();
    }
    ~StuckOwner() {
        SetEvent(answer);
        PostThreadMessageW(thread_id, WM_QUIT, 0, 0);
        thread.join();
        CloseHandle(answer);
    }
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message != WM_RENDERFORMAT)
            return DefWindowProcW(window, message, wparam, lparam);
        auto* self = reinterpret_cast<StuckOwner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        self->asked = true;
        MSG sent;
        while (MsgWaitForMultipleObjects(1, &self->answer, FALSE, INFINITE, QS_SENDMESSAGE) !=
               WAIT_OBJECT_0)
            PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        SetClipboardData(UINT(wparam), global_copy(unicode(QStringLiteral("late"))));
        return 0;
    }
    void run() {
        const WNDCLASSW type = {0,       proc,    0,       0,       nullptr,
                                nullptr, nullptr, nullptr, nullptr, L"CorvanaStuckOwner"};
        RegisterClassW(&type);
        HWND window = CreateWindowExW(0, type.lpszClassName, L"stuck", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, nullptr, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (OpenClipboard(window)) {
            EmptyClipboard();
            SetClipboardData(CF_UNICODETEXT, nullptr);
            CloseClipboard();
        }
        thread_id = GetCurrentThreadId();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        DestroyWindow(window);
    }
};

} // namespace

class TestWinClipboard : public QObject {
    Q_OBJECT
private slots:
    void served_entries_are_rendered_when_read_marked_and_kept() {
        PasteHold hold;
        auto owner = std::make_unique<WinClipboardOwner>(hold);
        QSignalSpy read(owner.get(), &WinClipboardOwner::activity);
        const auto serve = [&owner](const QString& text) {
            auto* entry = new QMimeData;
            entry->setText(text);
            return owner->serve(entry).ok;
        };
        QVERIFY(serve(QStringLiteral("first line\nsecond ü")));
        QVERIFY(owner->serving());
        QCOMPARE(read.size(), 0); // nothing rendered before someone asks

        WinClipboardReader reader([] { return false; });
        const auto offer = reader.offer();
        QVERIFY2(offer.ok, qPrintable(offer.error));
        QVERIFY(offer.formats.contains(QStringLiteral("text/plain")));
        // Our own writes are kept out of Windows' clipboard history, which readers take as secret.
        QVERIFY(offer.formats.contains(QLatin1String(SecretContent::hint_format())));
        const auto text = reader.fetch(QStringLiteral("text/plain"));
        QVERIFY2(text.ok, qPrintable(text.error));
        QCOMPARE(QString::fromUtf8(text.bytes), QStringLiteral("first line\r\nsecond ü"));
        QVERIFY2(read.size() >= 1, "the read was not reported to the paste hold");

        // The same entry again while the clipboard is unchanged leaves the clipboard alone, so a
        // program opening it for the paste is not shut out.
        const DWORD sequence = GetClipboardSequenceNumber();
        QVERIFY(serve(QStringLiteral("first line\nsecond ü")));
        QCOMPARE(GetClipboardSequenceNumber(), sequence);

        // The reader never reads its own program's entry for a capture.
        WinClipboardReader ours([&owner] { return owner->serving(); });
        QVERIFY(!ours.offer().ok);

        // An entry never read is rendered at the hand-over and stays when we are gone.
        QVERIFY(serve(QStringLiteral("kept after us")));
        QVERIFY(owner->hand_over(1000));
        owner.reset();
        QVERIFY(reader.offer().ok);
        QCOMPARE(reader.fetch(QStringLiteral("text/plain")).bytes, QByteArray("kept after us"));
    }

    // Marks on what others copy: a DWORD 0 keeps it out of the clipboard history, a DWORD 1
    // allows it, the older mark by its presence alone. OLE's live formats are never offered.
    void secrets_and_live_formats_in_what_others_offer() {
        const std::tuple<const wchar_t*, QByteArray, bool> rows[] = {
            {L"CanIncludeInClipboardHistory", QByteArray(4, '\0'), true},
            {L"CanIncludeInClipboardHistory", QByteArray("\1\0\0\0", 4), false},
            {L"Clipboard Viewer Ignore", QByteArray(1, '\0'), true}};
        const QString hint = QLatin1String(SecretContent::hint_format());
        WinClipboardReader reader([] { return false; });
        for (const auto& [mark, data, secret] : rows) {
            QVERIFY(
                write_as_other({{CF_UNICODETEXT, unicode(QStringLiteral("text"))},
                                {RegisterClipboardFormatW(mark), data},
                                {RegisterClipboardFormatW(L"Link Source"), QByteArray("live")},
                                {RegisterClipboardFormatW(L"Embed Source"), QByteArray("live")}}));
            const auto offer = reader.offer();
            QVERIFY2(offer.ok, qPrintable(offer.error));
            QCOMPARE(offer.formats.contains(hint), secret);
            if (secret)
                QCOMPARE(reader.fetch(hint).bytes, QByteArray("secret"));
            QCOMPARE(reader.fetch(QStringLiteral("text/plain")).bytes, QByteArray("text"));
            for (const QString& name : offer.formats)
                QVERIFY2(!name.contains(QStringLiteral("Source")), qPrintable(name));
        }
    }

    void an_owner_that_never_renders_costs_one_capture() {
        StuckOwner owner;
        WinClipboardReader reader([] { return false; });
        auto offer = reader.offer();
        QVERIFY2(offer.ok, qPrintable(offer.error));
        QVERIFY(offer.formats.contains(QStringLiteral("text/plain")));
        // Without the worker this read would never return.
        const auto stuck = reader.fetch(QStringLiteral("text/plain"));
        QVERIFY(!stuck.ok);
        QVERIFY(owner.asked);
        QVERIFY2(stuck.error.contains(QStringLiteral("did not answer")), qPrintable(stuck.error));
        // The read that gave up does not keep the clipboard open while the owner still renders:
        // another program copies.
        QTRY_VERIFY_WITH_TIMEOUT(
            write_as_other({{CF_UNICODETEXT, unicode(QStringLiteral("next"))}}), 2000);
        // The next capture fails at once rather than waiting on the same owner.
        offer = reader.offer();
        QVERIFY(!offer.ok);
        QVERIFY2(offer.error.contains(QStringLiteral("still waits")), qPrintable(offer.error));
        // Once the owner answers, the copy made meanwhile is read.
        SetEvent(owner.answer);
        QTRY_VERIFY_WITH_TIMEOUT(reader.offer().ok, 10000);
        const auto next = reader.fetch(QStringLiteral("text/plain"));
        QVERIFY2(next.ok, qPrintable(next.error));
        QCOMPARE(next.bytes, QByteArray("next"));
    }
};

QTEST_MAIN(TestWinClipboard)
#include "tst_win_clipboard.moc"
