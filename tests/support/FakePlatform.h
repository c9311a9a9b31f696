#pragma once

#include "platform/ActiveWindow.h"
#include "platform/Autostart.h"
#include "platform/ClipboardOwner.h"
#include "platform/ClipboardReader.h"
#include "platform/GlobalHotkeys.h"
#include "platform/InputInjector.h"
#include "platform/KeyState.h"
#include "platform/Magnifier.h"
#include "platform/MouseHook.h"
#include "platform/Platform.h"
#include "platform/ScreenCapture.h"
#include "platform/ShellLinks.h"
#include "platform/SystemInfo.h"
#include "platform/TaskbarButton.h"
#include "platform/WindowStyle.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <optional>

// The desktop as a test sees it: each fake records what it was asked and can be told to refuse.

// What a fake told to fail answers.
inline bool refused_by_the_test(QString* error) {
    if (error)
        *error = QStringLiteral("refused by the test");
    return false;
}

class FakeKeyState : public KeyState {
public:
    bool is_key_down(int virtual_key) const override { return m_down.value(virtual_key); }
    void set_down(int virtual_key, bool down) { m_down[virtual_key] = down; }
    void clear() { m_down.clear(); }

private:
    QHash<int, bool> m_down;
};

// Remembers which window is active and every activation asked for.
class FakeActiveWindow : public ActiveWindow {
public:
    quint64 current() override { return m_current; }
    bool activate(quint64 window, QString*) override {
        m_activated.append(window);
        m_current = window;
        return true;
    }
    void set_current(quint64 window) { m_current = window; }
    QList<quint64> activated() const { return m_activated; }

private:
    quint64 m_current = 0;
    QList<quint64> m_activated;
};

// A modern desktop where every mouse-trail request succeeds.
class FakeSystemInfo : public SystemInfo {
public:
    bool is_modern_desktop() const override { return true; }
    bool set_mouse_trails(int, QString*) override { return true; }
};

// Keeps the state it is given, as a desktop without a launcher would.
class FakeTaskbarButton : public TaskbarButton {
public:
    void set_progress_visible(bool visible) override { m_visible = visible; }
    void set_progress_value(int percent) override { m_value = percent; }
    void set_paused(bool paused) override { m_paused = paused; }
    bool progress_visible() const override { return m_visible; }
    int progress_value() const override { return m_value; }
    bool paused() const override { return m_paused; }

private:
    bool m_visible = false, m_paused = false;
    int m_value = 0;
};

// Records every click-through request.
class FakeWindowStyle : public WindowStyle {
public:
    bool set_click_through(QWidget* window, bool on, QString*) override {
        m_calls.append({window, on});
        return true;
    }
    QList<QPair<QWidget*, bool>> calls() const { return m_calls; }
    void clear() { m_calls.clear(); }

private:
    QList<QPair<QWidget*, bool>> m_calls;
};

// Start at login: what was written and removed, and how often.
class FakeAutostart : public Autostart {
public:
    bool matches(const QString& executable, const QString& working_dir) const override {
        return m_enabled && m_executable == executable && m_working_dir == working_dir;
    }
    bool enable(const QString& executable, const QString& working_dir, QString* error) override {
        ++m_writes;
        if (m_fail)
            return refused_by_the_test(error);
        m_enabled = true;
        m_executable = executable;
        m_working_dir = working_dir;
        return true;
    }
    bool disable(QString* error) override {
        if (m_fail)
            return refused_by_the_test(error);
        m_enabled = false;
        return true;
    }
    bool enabled() const { return m_enabled; }
    QString executable() const { return m_executable; }
    int writes() const { return m_writes; }
    void set_fail(bool fail) { m_fail = fail; }
    void reset() { *this = FakeAutostart(); }

private:
    bool m_enabled = false, m_fail = false;
    QString m_executable, m_working_dir;
    int m_writes = 0;
};

// Launchers: every request, in order.
class FakeShellLinks : public ShellLinks {
public:
    bool create(const Link& link, QString* error) override {
        m_requests.append(link);
        return m_fail ? refused_by_the_test(error) : true;
    }
    QList<Link> requests() const { return m_requests; }
    void set_fail(bool fail) { m_fail = fail; }
    void reset() { *this = FakeShellLinks(); }

private:
    QList<Link> m_requests;
    bool m_fail = false;
};

// A pointer a test moves; events reach the callback only while installed.
class FakeMouseHook : public MouseHook {
public:
    bool install(Callback callback, QString*) override {
        m_callback = std::move(callback);
        m_installed = true;
        return true;
    }
    void uninstall() override { m_installed = false; }
    bool installed() const override { return m_installed; }
    void move_to(QPoint p) {
        if (m_installed && m_callback)
            m_callback({Event::Kind::Move, p, 0});
    }

private:
    Callback m_callback;
    bool m_installed = false;
};

// Records every view it was asked to show.
class FakeMagnifier : public Magnifier {
public:
    struct Call {
        float factor;
        QRect view, screen;
    };
    bool set_view(float factor, const QRect& view, const QRect& screen, QString*) override {
        m_calls.append({factor, view, screen});
        return true;
    }
    QString unavailable() const override { return m_unavailable; }
    QString m_unavailable;
    const QList<Call>& calls() const { return m_calls; }
    Call last() const { return m_calls.isEmpty() ? Call{1.0f, QRect(), QRect()} : m_calls.last(); }
    bool magnified() const { return !m_calls.isEmpty() && m_calls.last().factor > 1.0f; }
    void clear() { m_calls.clear(); }

private:
    QList<Call> m_calls;
};

// Answers with what a test gave it, or, by default, with what Qt's screens show; records the
// areas asked for.
class FakeScreenCapture : public ScreenCapture {
public:
    QImage grab(const QRect& area, QString* error) override;
    // A null image makes every grab fail, as on a display without the fast path.
    void set_desktop(const QImage& desktop) { m_desktop = desktop; }
    void clear() {
        m_desktop.reset();
        m_asked.clear();
    }
    QList<QRect> asked() const { return m_asked; }

private:
    std::optional<QImage> m_desktop;
    QList<QRect> m_asked;
};

// Records registrations; a test presses a combination with trigger() and can make the
// "system" refuse combinations that another program holds.
class FakeGlobalHotkeys : public GlobalHotkeys {
    Q_OBJECT
public:
    Registration register_hotkey(const QKeySequence& sequence) override {
        Registration result;
        if (m_unmappable.contains(sequence[0])) {
            result.failure = Registration::Failure::Unmappable;
        } else if (m_taken.contains(sequence[0])) {
            result.failure = Registration::Failure::Refused;
            result.error = QStringLiteral("BadAccess (attempt to access private resource denied)");
        } else {
            result.id = m_next_id++;
            m_registered.insert(result.id, sequence[0]);
        }
        return result;
    }
    void unregister_hotkey(int id) override { m_registered.remove(id); }

    // Returns whether a registered hotkey took the combination.
    bool trigger(const QKeySequence& sequence) {
        const auto ids = m_registered.keys(sequence[0]);
        for (int id : ids)
            emit activated(id);
        return !ids.isEmpty();
    }
    void hold_elsewhere(const QKeySequence& sequence) { m_taken.insert(sequence[0]); }
    void set_unmappable(const QKeySequence& sequence) { m_unmappable.insert(sequence[0]); }
    // The first combination of each sequence registered.
    QList<int> registered() const { return m_registered.values(); }
    bool is_registered(const QKeySequence& sequence) const {
        return registered().contains(sequence[0]);
    }

private:
    QHash<int, int> m_registered; // id -> first combination
    QSet<int> m_taken, m_unmappable;
    int m_next_id = 1;
};

// Loops injected keys back through the fake keyboard, at once or from the event loop. Records
// what the program pasted into reads at each injected V: the clipboard once the press has been
// reported when it is delivered at once (a key held until its report), the clipboard as it is at
// the injection when it is delivered later (a key let through first, as Windows' hook does).
class FakeInputInjector : public InputInjector {
public:
    enum class Delivery { Synchronous, Later };

    void send_key(int virtual_key, bool down) override;
    void set_delivery(Delivery delivery) { m_delivery = delivery; }
    QList<QPair<int, bool>> sent() const { return m_sent; }
    QStringList pasted() const { return m_pasted; }
    void clear() {
        m_sent.clear();
        m_pasted.clear();
    }

private:
    Delivery m_delivery = Delivery::Synchronous;
    QList<QPair<int, bool>> m_sent;
    QStringList m_pasted;
};

// Serves entries through Qt's in-process clipboard (offscreen), so a test reads what a program
// would paste, and reports every other clipboard change as a copy. Remembers what it served.
class FakeClipboardOwner : public ClipboardOwner {
    Q_OBJECT
public:
    FakeClipboardOwner();

    Result serve(QMimeData* entry) override;
    bool serving() const override { return m_serving; }
    bool hand_over(int) override {
        ++m_hand_overs;
        return false;
    }
    int hand_overs() const { return m_hand_overs; }
    // The text of each entry served, in order.
    QStringList served_texts() const { return m_served; }
    void clear() { m_served.clear(); }
    void report_owner_gone() { emit owner_gone(); }
    // Copies are reported from the event loop, as the X11 owner reports them.
    void set_reports_queued(bool queued) { m_reports_queued = queued; }

private:
    QStringList m_served;
    bool m_serving = false, m_setting = false, m_reports_queued = false;
    int m_hand_overs = 0;
};

// Reads the in-process clipboard as an owner on X11 would serve it (an image as image/png), or
// an offer a test scripts, and counts every request.
class FakeClipboardReader : public ClipboardReader {
public:
    Offer offer() override;
    Data fetch(const QString& format) override;

    // The next offers come from this owner instead of the clipboard, until clear_script().
    void script(const QList<QPair<QString, QByteArray>>& formats) {
        m_script = formats;
        m_scripted = true;
    }
    // An owner that never answers.
    void set_hung(bool hung) { m_hung = hung; }
    // The owner offers format but never answers a request for it.
    void fail(const QString& format) { m_failing.append(format); }
    void clear_script() {
        m_scripted = false;
        m_script.clear();
        m_failing.clear();
    }
    QMap<QString, int> fetches() const { return m_fetches; }

private:
    QList<QPair<QString, QByteArray>> m_script;
    bool m_scripted = false, m_hung = false;
    QStringList m_failing;
    QMap<QString, int> m_fetches;
};

class FakeKeyboard;

class FakePlatform : public Platform {
public:
    Keyboard* create_keyboard(QObject* parent) override;
    KeyState& key_state() override { return m_key_state; }
    InputInjector& input_injector() override { return m_injector; }
    GlobalHotkeys& global_hotkeys() override { return m_hotkeys; }
    ActiveWindow& active_window() override { return m_active_window; }
    ClipboardReader& clipboard_reader() override { return m_reader; }
    WindowStyle& window_style() override { return m_window_style; }
    FakeTaskbarButton& taskbar_button() override { return m_taskbar_button; }
    SystemInfo& system_info() override { return m_system_info; }
    FakeAutostart& autostart() override { return m_autostart; }
    FakeShellLinks& shell_links() override { return m_shell_links; }
    ClipboardOwner& clipboard_owner() override { return fake_clipboard_owner(); }
    ScreenCapture& screen_capture() override { return m_screen_capture; }
    MouseHook& mouse_hook() override { return m_mouse_hook; }
    Magnifier& magnifier() override { return m_magnifier; }
    void on_termination_request(std::function<void()> handler) override {
        m_termination = std::move(handler);
    }
    QString session_summary() override { return summary; }

    static FakePlatform& get() { return static_cast<FakePlatform&>(Platform::instance()); }

    FakeKeyboard* keyboard() const { return m_keyboard; }
    FakeKeyState& fake_key_state() { return m_key_state; }
    FakeInputInjector& injector() { return m_injector; }
    FakeGlobalHotkeys& hotkeys() { return m_hotkeys; }
    FakeActiveWindow& fake_active_window() { return m_active_window; }
    FakeWindowStyle& fake_window_style() { return m_window_style; }
    // Made late: it needs the application.
    FakeClipboardOwner& fake_clipboard_owner() {
        if (!m_clipboard_owner)
            m_clipboard_owner = std::make_unique<FakeClipboardOwner>();
        return *m_clipboard_owner;
    }
    FakeScreenCapture& fake_screen_capture() { return m_screen_capture; }
    FakeMouseHook& fake_mouse_hook() { return m_mouse_hook; }
    FakeMagnifier& fake_magnifier() { return m_magnifier; }
    QString summary;
    void request_termination() {
        if (m_termination)
            m_termination();
    }
    void keyboard_destroyed(FakeKeyboard* keyboard) {
        if (m_keyboard == keyboard)
            m_keyboard = nullptr;
    }

private:
    FakeKeyState m_key_state;
    FakeInputInjector m_injector;
    FakeGlobalHotkeys m_hotkeys;
    FakeActiveWindow m_active_window;
    FakeClipboardReader m_reader;
    FakeWindowStyle m_window_style;
    FakeTaskbarButton m_taskbar_button;
    FakeSystemInfo m_system_info;
    FakeScreenCapture m_screen_capture;
    FakeAutostart m_autostart;
    FakeShellLinks m_shell_links;
    FakeMouseHook m_mouse_hook;
    FakeMagnifier m_magnifier;
    FakeKeyboard* m_keyboard = nullptr;
    std::unique_ptr<FakeClipboardOwner> m_clipboard_owner;
    std::function<void()> m_termination;
};
