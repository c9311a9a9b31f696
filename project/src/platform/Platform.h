#pragma once

#include <QString>
#include <functional>
#include <memory>

class ActiveWindow;
class Autostart;
class ClipboardOwner;
class ClipboardReader;
class GlobalHotkeys;
class InputInjector;
class KeyState;
class Keyboard;
class Magnifier;
class MouseHook;
class QObject;
class SystemInfo;
class TaskbarButton;
class WindowStyle;
class ScreenCapture;
class ShellLinks;

// The desktop as core code sees it. One backend is linked in and provides create_platform();
// the entry installs its result before anything asks for it.
class Platform {
public:
    virtual ~Platform() = default;

    virtual Keyboard* create_keyboard(QObject* parent) = 0;
    virtual KeyState& key_state() = 0;
    virtual InputInjector& input_injector() = 0;
    virtual GlobalHotkeys& global_hotkeys() = 0;
    virtual ActiveWindow& active_window() = 0;
    virtual WindowStyle& window_style() = 0;
    virtual TaskbarButton& taskbar_button() = 0;
    virtual SystemInfo& system_info() = 0;
    virtual Autostart& autostart() = 0;
    virtual ShellLinks& shell_links() = 0;
    // Made with the keyboard: the two decide together when a held paste key may go on.
    virtual ClipboardOwner& clipboard_owner() = 0;
    virtual ClipboardReader& clipboard_reader() = 0;
    virtual ScreenCapture& screen_capture() = 0;
    virtual MouseHook& mouse_hook() = 0;
    virtual Magnifier& magnifier() = 0;

    // The desktop session this process shows on (an X display), for one instance per session;
    // empty when there is one session only. Asked once the application object exists.
    virtual QString session_name() { return QString(); }

    // Called by a second start before it asks the running instance to show itself: the system
    // may keep a background process from taking the foreground unless the one the user just
    // started lets it.
    virtual void let_running_instance_take_foreground() {}

    // What to tell the user once at start about what this desktop lets Corvana do, or empty.
    virtual QString session_notice() { return QString(); }
    // The same in one short line, for the main window, which shows it the whole run; or empty.
    virtual QString session_summary() { return QString(); }

    // The file name of the uninstaller an installation puts beside the program.
    virtual QString uninstaller_name() const { return QStringLiteral("uninstall"); }

    // Calls handler on the GUI thread when the process is asked to end (SIGTERM and the like).
    virtual void on_termination_request(std::function<void()> handler) = 0;

    static void install(std::unique_ptr<Platform> platform);
    static Platform& instance();
    static void uninstall();
};

// Defined once by each backend.
std::unique_ptr<Platform> create_platform();
