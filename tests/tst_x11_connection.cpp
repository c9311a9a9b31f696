// The X11 backend without an X server (offscreen): the connection context reports nothing and
// every class built on it degrades instead of touching a null connection. The active-grab
// record needs no server at all.
#include "platform/PasteHold.h"
#include "platform/x11/X11ActiveGrab.h"
#include "platform/x11/X11ClipboardOwner.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11InputInjector.h"
#include "platform/x11/X11KeyMap.h"
#include "platform/x11/X11RootInputSelection.h"

#include <QMimeData>
#include <QtTest>

#include <xcb/xinput.h>

class TestX11Connection : public QObject {
    Q_OBJECT
private slots:
    void context_and_classes_degrade_without_server() {
        X11ActiveGrab grab;
        QVERIFY(!grab.is_active());
        grab.activated(38);
        QVERIFY(grab.is_active());
        // Another key's release leaves the grab as it is.
        grab.key_released(39);
        QVERIFY(grab.is_active());
        grab.key_released(38);
        QVERIFY(!grab.is_active());
        grab.activated(107);
        grab.end(); // no connection: only the record is cleared
        QVERIFY(!grab.is_active());

        const X11Connection x11;
        QVERIFY(!x11 && !x11.connection());
        QCOMPARE(x11.root(), xcb_window_t(XCB_WINDOW_NONE));
        QCOMPARE(x11.atom(QStringLiteral("CLIPBOARD")), xcb_atom_t(XCB_ATOM_NONE));
        QVERIFY(!x11.xfixes().present && !x11.xinput().present && !x11.xtest().present &&
                !x11.damage().present);
        QCOMPARE(x11.time(), xcb_timestamp_t(XCB_CURRENT_TIME));
        QVERIFY(!x11.root_input().add(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS));
        QVERIFY(!x11.key_map()->valid());
        QCOMPARE(x11.key_map().get(), x11.key_map().get()); // one key map for the backend
        PasteHold hold;
        X11ClipboardOwner owner(x11, hold);
        auto* entry = new QMimeData;
        entry->setText(QStringLiteral("kept"));
        const ClipboardOwner::Result served = owner.serve(entry);
        QVERIFY(!served.ok);
        QVERIFY(!served.error.isEmpty());
        QVERIFY(!owner.serving());

        X11InputInjector injector(x11);
        x11.active_grab().activated(38);
        injector.send_key(0x56, true);
        // Nothing was sent, so the grab that would have been ended stays recorded.
        QVERIFY(x11.active_grab().is_active());
    }
};

QTEST_MAIN(TestX11Connection)
#include "tst_x11_connection.moc"
