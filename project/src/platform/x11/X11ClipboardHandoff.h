#pragma once

#include <QAbstractNativeEventFilter>
#include <QVector>

#include <xcb/xcb.h>

class QEventLoop;
class X11Connection;

// Hands what we serve on the clipboard to the clipboard manager before we exit, as the
// freedesktop convention has it: CLIPBOARD_MANAGER is converted to SAVE_TARGETS, the manager
// reads the listed targets from us (the event loop runs meanwhile, so the owner answers), copies
// them and says so. Without a manager the clipboard empties when the program ends.
class X11ClipboardHandoff : public QAbstractNativeEventFilter {
public:
    X11ClipboardHandoff(const X11Connection& x11, xcb_window_t owner, QVector<xcb_atom_t> targets);

    // Waits at most timeout_ms. True once the manager says it has kept a copy.
    bool run(int timeout_ms);

    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

private:
    const X11Connection& m_x11;
    xcb_connection_t* m_connection;
    xcb_window_t m_owner;
    QVector<xcb_atom_t> m_targets;
    xcb_atom_t m_manager = XCB_NONE;
    QEventLoop* m_loop = nullptr;
    bool m_answered = false;
    bool m_saved = false;
};
