#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct zwlr_screencopy_manager_v1;
struct zwlr_data_control_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
class QSocketNotifier;
class WaylandOutput;

// A Wayland connection of our own beside the one Qt may have, so the clipboard and the keyboard
// work the same whether Qt shows its windows through Wayland or XWayland. Events are read from
// the event loop; requests go out when flush() is called.
class WaylandConnection : public QObject {
    Q_OBJECT
public:
    explicit WaylandConnection(QObject* parent = nullptr);
    ~WaylandConnection() override;
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Connects to the compositor named by WAYLAND_DISPLAY and learns what it offers; false (error
    // says why) when there is no compositor to talk to.
    bool open(QString* error);
    bool is_open() const { return m_display != nullptr; }

    wl_display* display() const { return m_display; }
    wl_seat* seat() const { return m_seat; }
    zwlr_data_control_manager_v1* data_control() const { return m_data_control; }
    zwp_virtual_keyboard_manager_v1* virtual_keyboard() const { return m_virtual_keyboard; }
    wl_shm* shm() const { return m_shm; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    const std::vector<std::unique_ptr<WaylandOutput>>& outputs() const { return m_outputs; }

    void flush();
    // Waits until the compositor has handled every request sent so far.
    bool roundtrip();
    // Reads and handles what the compositor sent, without waiting.
    void dispatch_pending();

    // The registry's listener.
    static void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                          uint32_t version);
    static void on_global_remove(void* data, wl_registry* registry, uint32_t name);

signals:
    void broken();

private:
    void read_events();
    void close();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_data_control_manager_v1* m_data_control = nullptr;
    zwp_virtual_keyboard_manager_v1* m_virtual_keyboard = nullptr;
    wl_shm* m_shm = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> m_outputs;
    QSocketNotifier* m_notifier = nullptr;
};
