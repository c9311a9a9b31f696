#pragma once

#include <QObject>
#include <QRect>
#include <QSocketNotifier>

#include <memory>
#include <vector>
#include <xcb/xcb.h>

// The desktop's top-level windows in stacking order, and whether the pointer's picture changed,
// kept from the server's structure and cursor events so that a frame asks the server nothing.
// It has a connection of its own: Qt's keeps only the last of several configure events reported
// on the root, which would lose the moves of all windows but one.
class X11MagnifierWatch : public QObject {
    Q_OBJECT
public:
    struct Window {
        xcb_window_t id = XCB_NONE;
        QRect area; // inside the border, in root coordinates
        xcb_visualid_t visual = 0;
        bool viewable = false;
        bool input_output = false;
    };

    X11MagnifierWatch() = default;
    ~X11MagnifierWatch() override;

    // Connects, asks for the events and reads the windows as they are now. False when the
    // server cannot be reached.
    bool start(bool cursor_events);
    void stop();
    bool running() const { return m_c != nullptr; }
    // Applies what the server reported since the last call; true when anything changed.
    bool update();
    // Bottom to top.
    const std::vector<Window>& windows() const { return m_windows; }
    // True once after each change of the pointer's picture (and after start).
    bool take_cursor_changed();
    // Records a restack this program asked for, so the next frame need not ask again.
    void raised(xcb_window_t window);

signals:
    // Something changed on the server; update() applies it.
    void changed();

private:
    void apply(const xcb_generic_event_t* event);
    // Reads the attributes and geometry of windows new at the top level; drops those gone.
    void learn();
    void insert_above(Window window, xcb_window_t sibling);
    std::vector<Window>::iterator find(xcb_window_t id);

    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = XCB_NONE;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<Window> m_windows;
    std::vector<xcb_window_t> m_unknown;
    uint8_t m_cursor_event = 0;
    bool m_cursor_changed = true;
    bool m_changed = false;
};
