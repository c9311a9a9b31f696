// The Wayland backend's logic without a compositor: the formats read and served, the key codes
// that keep our own Ctrl+V away from the desktop's binding, and the screen copies' pixels.
#include "WaylandClipboardOwner.h"
#include "WaylandClipboardReader.h"
#include "WaylandInputInjector.h"
#include "WaylandScreenCapture.h"
#include "platform/VirtualKeys.h"

#include <wayland-client-protocol.h>

#include <QImage>
#include <QMimeData>
#include <QtTest>

class TestWayland : public QObject {
    Q_OBJECT
private slots:
    void what_is_read_of_an_offer() {
        // listed formats -> offered formats, then the name text is read under
        const struct {
            QStringList listed, formats;
            QString text_read_as;
        } rows[] = {
            {{"TEXT", "text/plain", "UTF8_STRING", "text/plain;charset=utf-8"},
             {"text/plain"},
             "text/plain;charset=utf-8"},
            {{"STRING", "TARGETS", "text/html", "x-kde-passwordManagerHint"},
             {"text/plain", "text/html", "x-kde-passwordManagerHint"},
             "STRING"},
            {{"SAVE_TARGETS", "image/png", "image/png", "text/plain;charset=iso-8859-1"},
             {"image/png"},
             ""},
        };
        for (const auto& row : rows) {
            const auto offered = WaylandClipboardReader::offered(row.listed);
            QCOMPARE(offered.formats, row.formats);
            QCOMPARE(offered.read_as.value("text/plain"), row.text_read_as);
        }
    }

    void what_is_served() {
        QMimeData secret;
        secret.setText("pw");
        secret.setData("x-kde-passwordManagerHint", "secret");
        secret.setData("application/x-qt-windows-mime;value=\"Rich Text\"", "x");
        QCOMPARE(WaylandClipboardOwner::served_formats(secret),
                 QStringList({"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING",
                              "TEXT", "x-kde-passwordManagerHint"}));
        QMimeData picture;
        picture.setImageData(QImage(2, 2, QImage::Format_RGB32));
        QVERIFY(WaylandClipboardOwner::served_formats(picture).contains("image/png"));
    }

    // Our letters sit where no keyboard has a key, the modifiers where every keyboard has them:
    // a binding on the physical V never matches the Ctrl+V we type.
    void our_letters_are_on_no_keyboards_codes() {
        using Codes = WaylandInputInjector::Codes;
        for (const int key : {VirtualKeys::V, VirtualKeys::C, VirtualKeys::X, VirtualKeys::B}) {
            QVERIFY(WaylandInputInjector::key_code(key, Codes::Own) > 247);
            QVERIFY(WaylandInputInjector::key_code(key, Codes::Physical) < 100);
        }
        QCOMPARE(WaylandInputInjector::key_code(VirtualKeys::Control, Codes::Own), 37);
        QVERIFY(WaylandInputInjector::keymap(Codes::Own).contains("<AB04> = 250;"));
        QVERIFY(WaylandInputInjector::keymap(Codes::Physical).contains("<AB04> = 55;"));
    }

    // A compositor's description is checked before any memory is made for it; a copy is read
    // in its byte order, opaque, and turned back upright.
    void screen_copies_are_checked_and_turned_upright() {
        using B = WaylandScreenCapture::Buffer;
        const struct {
            B buffer;
            bool usable;
        } checks[] = {
            {{WL_SHM_FORMAT_ABGR8888, 2, 1, 12}, true},
            {{WL_SHM_FORMAT_XRGB8888, 2, 1, 4}, false}, // rows shorter than their pixels
            {{WL_SHM_FORMAT_RGB565, 2, 1, 8}, false},
            {{WL_SHM_FORMAT_XRGB8888, 0, 1, 8}, false},
            {{WL_SHM_FORMAT_XRGB8888, 2, -1, 8}, false}, // past INT_MAX
            {{WL_SHM_FORMAT_XRGB8888, 20000, 1, 80000}, false},
            {{WL_SHM_FORMAT_XRGB8888, 16384, 16384, 131072}, false}, // 2 GiB
        };
        for (const auto& row : checks)
            QCOMPARE(WaylandScreenCapture::check(row.buffer).isEmpty(), row.usable);

        // Two rows of two pixels, a b / c d, each row padded to 12 bytes.
        const uchar bytes[] = {1, 2, 3, 0, 4,  5,  6,  0x7f, 9, 9, 9, 9,
                               7, 8, 9, 0, 10, 11, 12, 0,    9, 9, 9, 9};
        const QRgb a = 0xff030201, b = 0xff060504, c = 0xff090807, d = 0xff0c0b0a;
        const auto bgr = [](QRgb p) { return qRgb(qBlue(p), qGreen(p), qRed(p)); };
        const struct {
            uint32_t format;
            bool y_invert;
            int transform;
            QList<QRgb> pixels; // two rows of two
        } rows[] = {
            {WL_SHM_FORMAT_ARGB8888, false, WL_OUTPUT_TRANSFORM_NORMAL, {a, b, c, d}},
            {WL_SHM_FORMAT_XBGR8888,
             false,
             WL_OUTPUT_TRANSFORM_NORMAL,
             {bgr(a), bgr(b), bgr(c), bgr(d)}},
            {WL_SHM_FORMAT_XRGB8888, true, WL_OUTPUT_TRANSFORM_NORMAL, {c, d, a, b}},
            {WL_SHM_FORMAT_XRGB8888, false, WL_OUTPUT_TRANSFORM_90, {c, a, d, b}},
            {WL_SHM_FORMAT_XRGB8888, false, WL_OUTPUT_TRANSFORM_180, {d, c, b, a}},
            {WL_SHM_FORMAT_XRGB8888, false, WL_OUTPUT_TRANSFORM_FLIPPED, {b, a, d, c}},
        };
        for (const auto& row : rows) {
            const QImage image = WaylandScreenCapture::convert(bytes, {row.format, 2, 2, 12},
                                                               row.y_invert, row.transform);
            QCOMPARE(image.format(), QImage::Format_RGB32);
            // The words themselves: pixel() would add the alpha a copy left out.
            const auto* words = reinterpret_cast<const QRgb*>(image.constBits());
            const int next_row = image.bytesPerLine() / 4;
            QCOMPARE(QList<QRgb>({words[0], words[1], words[next_row], words[next_row + 1]}),
                     row.pixels);
        }
    }
};

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
