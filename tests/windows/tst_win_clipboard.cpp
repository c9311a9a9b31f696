// The clipboard backend against Wine's clipboard: entries served with delayed rendering and read
// back, the marks on our own writes, secrets and live formats in what others offer, copies heard
// through the listener, and what stays on the clipboard when the owner is gone.
#include "WinClipboardOwner.h"
#include "WinClipboardReader.h"
#include "clipboard/SecretContent.h"
#include "platform/PasteHold.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>

#include <windows.h>

namespace {
unsigned format(const wchar_t* name) {
    return RegisterClipboardFormatW(name);
}

// Another program's write: its own window, opened, emptied, filled, closed.
void write_as_other(const QList<QPair<unsigned, QByteArray>>& formats) {
    HWND window = CreateWindowExW(0, L"STATIC", L"other", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    QVERIFY(OpenClipboard(window));
    EmptyClipboard();
    for (const auto& entry : formats) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(qMax(1, entry.second.size())));
        std::memcpy(GlobalLock(memory), entry.second.constData(), size_t(entry.second.size()));
        GlobalUnlock(memory);
        SetClipboardData(entry.first, memory);
    }
    CloseClipboard();
    DestroyWindow(window);
}

QByteArray unicode(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
}

QString text_on_clipboard() {
    if (!OpenClipboard(nullptr))
        return QStringLiteral("<not opened>");
    QString text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = QString::fromWCharArray(static_cast<const wchar_t*>(GlobalLock(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}
} // namespace

class TestWinClipboard : public QObject {
    Q_OBJECT
private slots:
    void served_entries_are_rendered_when_read_and_marked();
    void secrets_and_live_formats_in_what_others_offer();
    void another_programs_write_is_a_copy();
    void what_we_serve_stays_after_the_hand_over();
};

void TestWinClipboard::served_entries_are_rendered_when_read_and_marked() {
    PasteHold hold;
    WinClipboardOwner owner(hold);
    QSignalSpy read(&owner, &WinClipboardOwner::activity);
    auto* entry = new QMimeData;
    entry->setText(QStringLiteral("first line\nsecond ü"));
    QVERIFY(owner.serve(entry).ok);
    QVERIFY(owner.serving());
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

    // The reader never reads its own program's entry for a capture.
    WinClipboardReader ours([&owner] { return owner.serving(); });
    QVERIFY(!ours.offer().ok);
}

void TestWinClipboard::secrets_and_live_formats_in_what_others_offer() {
    const DWORD no = 0;
    write_as_other({{CF_UNICODETEXT, unicode(QStringLiteral("password"))},
                    {format(L"CanIncludeInClipboardHistory"),
                     QByteArray(reinterpret_cast<const char*>(&no), sizeof(no))},
                    {format(L"Link Source"), QByteArray("live")},
                    {format(L"Embed Source"), QByteArray("live")}});
    WinClipboardReader reader([] { return false; });
    auto offer = reader.offer();
    QVERIFY2(offer.ok, qPrintable(offer.error));
    QVERIFY(offer.formats.contains(QLatin1String(SecretContent::hint_format())));
    QCOMPARE(reader.fetch(QLatin1String(SecretContent::hint_format())).bytes, QByteArray("secret"));
    for (const QString& name : offer.formats)
        QVERIFY2(!name.contains(QStringLiteral("Source")), qPrintable(name));

    // A DWORD 1 allows keeping it; the text alone is no secret.
    const DWORD yes = 1;
    write_as_other({{CF_UNICODETEXT, unicode(QStringLiteral("plain"))},
                    {format(L"CanIncludeInClipboardHistory"),
                     QByteArray(reinterpret_cast<const char*>(&yes), sizeof(yes))}});
    offer = reader.offer();
    QVERIFY(!offer.formats.contains(QLatin1String(SecretContent::hint_format())));
    QCOMPARE(reader.fetch(QStringLiteral("text/plain")).bytes, QByteArray("plain"));

    // The presence of the older marks is enough.
    write_as_other({{CF_UNICODETEXT, unicode(QStringLiteral("hidden"))},
                    {format(L"Clipboard Viewer Ignore"), QByteArray(1, '\0')}});
    QVERIFY(reader.offer().formats.contains(QLatin1String(SecretContent::hint_format())));
}

void TestWinClipboard::another_programs_write_is_a_copy() {
    PasteHold hold;
    WinClipboardOwner owner(hold);
    QSignalSpy copied(&owner, &ClipboardOwner::copied);
    auto* entry = new QMimeData;
    entry->setText(QStringLiteral("ours"));
    QVERIFY(owner.serve(entry).ok);
    write_as_other({{CF_UNICODETEXT, unicode(QStringLiteral("theirs"))}});
    QTRY_COMPARE_WITH_TIMEOUT(copied.size(), 1, 10000);
    QVERIFY(!owner.serving());
}

void TestWinClipboard::what_we_serve_stays_after_the_hand_over() {
    {
        PasteHold hold;
        WinClipboardOwner owner(hold);
        auto* entry = new QMimeData;
        entry->setText(QStringLiteral("kept after us"));
        QVERIFY(owner.serve(entry).ok);
        QVERIFY(owner.hand_over(1000));
    }
    QCOMPARE(text_on_clipboard(), QStringLiteral("kept after us"));
}

QTEST_MAIN(TestWinClipboard)
#include "tst_win_clipboard.moc"
