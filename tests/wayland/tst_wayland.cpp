// The Wayland backend's logic without a compositor: the formats read and served, and the key
// codes that keep our own Ctrl+V away from the desktop's binding.
#include "WaylandClipboardOwner.h"
#include "WaylandClipboardReader.h"
#include "WaylandInputInjector.h"
#include "platform/VirtualKeys.h"

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
};

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
