#include "X11KeyboardWatchdog.h"

#include <QtDebug>

#include <xcb/xinput.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
bool tracing() {
    static const bool on = qEnvironmentVariableIsSet("CORVANA_TRACE_FROZEN_PRESSES");
    return on;
}
} // namespace

X11KeyboardWatchdog::X11KeyboardWatchdog(xcb_connection_t* grab_connection)
    : m_grab_connection(grab_connection) {
    if (!connect_raw_events()) {
        qWarning("Keyboard: no watch on frozen paste keys; a busy moment may hold them longer");
        return;
    }
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_gui_beat = now_ms();
    m_thread = std::thread([this] { run(); });
}

X11KeyboardWatchdog::~X11KeyboardWatchdog() {
    if (m_thread.joinable()) {
        m_stop = true;
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &byte, 1);
        m_thread.join();
    }
    for (int fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
    }
    if (m_connection)
        xcb_disconnect(m_connection);
}

qint64 X11KeyboardWatchdog::now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool X11KeyboardWatchdog::connect_raw_events() {
    if (!m_grab_connection)
        return false;
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return false;
    }
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(m_connection, &xcb_input_id);
    xcb_input_xi_query_version_reply_t* version =
        extension && extension->present
            ? xcb_input_xi_query_version_reply(
                  m_connection, xcb_input_xi_query_version(m_connection, 2, 2), nullptr)
            : nullptr;
    const bool usable = version && (version->major_version > 2 ||
                                    (version->major_version == 2 && version->minor_version >= 2));
    std::free(version);
    if (!usable) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return false;
    }
    m_xinput_opcode = extension->major_opcode;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } mask = {{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    xcb_input_xi_select_events(m_connection, root, 1, &mask.head);
    xcb_flush(m_connection);
    return true;
}

void X11KeyboardWatchdog::set_paste_keycodes(const std::bitset<256>& keycodes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paste_keycodes = keycodes;
}

void X11KeyboardWatchdog::beat() {
    m_gui_beat = now_ms();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_presses.gui_alive();
}

bool X11KeyboardWatchdog::claim(xcb_timestamp_t time) {
    if (!running())
        return true;
    m_gui_beat = now_ms();
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool ok = m_presses.claim(time, now_ms());
    if (tracing())
        std::fprintf(stderr, "fp %lld claim %u -> %d\n", now_ms(), time, ok);
    return ok;
}

bool X11KeyboardWatchdog::begin_report(xcb_timestamp_t time) {
    if (!running())
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool ok = m_presses.begin_report(time, now_ms());
    if (tracing())
        std::fprintf(stderr, "fp %lld report %u -> %d\n", now_ms(), time, ok);
    return ok;
}

bool X11KeyboardWatchdog::released(xcb_timestamp_t time) {
    if (!running())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_presses.released(time);
}

void X11KeyboardWatchdog::finished(xcb_timestamp_t time) {
    if (!running())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_presses.finished(time);
    if (tracing())
        std::fprintf(stderr, "fp %lld finished %u\n", now_ms(), time);
}

void X11KeyboardWatchdog::release_due() {
    const qint64 now = now_ms();
    const qint64 busy = now - m_gui_beat;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (quint32 time : m_presses.due(now, busy)) {
        // Keyed to the press: a later grab's freeze is left alone.
        if (tracing())
            std::fprintf(stderr, "fp %lld release %u (busy %lld)\n", now, time, busy);
        xcb_allow_events(m_grab_connection, XCB_ALLOW_REPLAY_KEYBOARD, time);
        xcb_flush(m_grab_connection);
        ++m_released;
    }
}

void X11KeyboardWatchdog::run() {
    const int fd = xcb_get_file_descriptor(m_connection);
    while (!m_stop) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_GE_GENERIC &&
                generic->extension == m_xinput_opcode &&
                generic->event_type == XCB_INPUT_RAW_KEY_PRESS) {
                const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
                std::lock_guard<std::mutex> lock(m_mutex);
                if (raw->detail < 256 && m_paste_keycodes.test(raw->detail)) {
                    m_presses.pressed(raw->time, now_ms());
                    if (tracing())
                        std::fprintf(stderr, "fp %lld raw %u\n", now_ms(), raw->time);
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(m_connection))
            return;
        release_due();
        qint64 next;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            next = m_presses.next_check(now_ms());
        }
        const int timeout = next < 0 ? -1 : int(std::max<qint64>(1, next - now_ms()));
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        ::poll(fds, 2, timeout);
    }
}
