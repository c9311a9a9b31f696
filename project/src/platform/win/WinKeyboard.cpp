#include "WinKeyboard.h"

#include "WinMessageWindow.h"
#include "WinProcess.h"
#include "platform/PasteHold.h"
#include "platform/VirtualKeys.h"

#include <QtDebug>

#include <algorithm>

#include <windows.h>

namespace {
constexpr UINT wake_message = WM_APP + 2;
} // namespace

WinKeyboard::WinKeyboard(PasteHold& hold, QObject* parent)
    : Keyboard(parent), m_hold(hold), m_hook([this] {
          if (m_wake_window && m_wake_window->handle())
              PostMessageW(static_cast<HWND>(m_wake_window->handle()), wake_message, 0, 0);
      }) {
    m_wake_window = std::make_unique<WinMessageWindow>(
        QStringLiteral("Corvana keyboard"), false,
        [this](unsigned message, quintptr, qintptr, qintptr* result) {
            if (message != wake_message)
                return false;
            pump();
            *result = 0;
            return true;
        });
    m_hold_timer.setSingleShot(true);
    connect(&m_hold_timer, &QTimer::timeout, this, &WinKeyboard::pump);
}

WinKeyboard::~WinKeyboard() {
    m_hook.stop();
}

bool WinKeyboard::set_hooked(bool on) {
    if (on == m_hook.running())
        return on;
    if (!on) {
        qDebug("Keyboard unhooked");
        m_hook.stop();
        m_hold_timer.stop();
        return false;
    }
    qDebug("Keyboard hooked");
    QString error;
    if (!m_hook.start(&error)) {
        qWarning("Keyboard: %s", qPrintable(error));
        return false;
    }
    return true;
}

void WinKeyboard::set_print_screen_swallowed(bool on) {
    m_hook.set_print_swallowed(on);
}

bool WinKeyboard::was_down(int virtual_key) const {
    return virtual_key >= 0 && virtual_key < 256 && m_down.test(size_t(virtual_key));
}

void WinKeyboard::hold_changed() {
    pump();
}

// A report is synchronous: the dispatch, clipboard update included, is over when emit returns,
// and only then does the hook let a held paste key go on.
void WinKeyboard::pump() {
    if (m_pumping)
        return;
    m_pumping = true;
    WinKeyboardHook::Press press;
    while (m_hook.peek(&press)) {
        if (press.held) {
            if (!m_hook.claim(press.serial)) {
                // It went on without us: the position stays, the next paste brings this entry.
                qWarning("Keyboard: a paste key went on before Corvana could take it (%lld ms); "
                         "it pasted what the clipboard held",
                         static_cast<long long>(WinProcess::now_ms() - press.time_ms));
                m_hook.pop();
                continue;
            }
            const qint64 now = WinProcess::now_ms();
            if (!m_hold.may_release(now, press.time_ms)) {
                m_hold_timer.start(
                    int(std::max<qint64>(1, m_hold.release_due(press.time_ms) - now)));
                break;
            }
            if (!m_hook.begin_report(press.serial)) {
                m_hook.pop();
                continue;
            }
        }
        m_hook.pop();
        m_hold_timer.stop();
        m_down = press.down;
        m_reporting = true;
        if ((press.key == VirtualKeys::C || press.key == VirtualKeys::X) &&
            press.down.test(VK_CONTROL))
            m_hold.copy_key_pressed();
        if (press.held)
            m_hold.paste_pressed();
        emit signal_key_pressed(press.key, press.flags);
        m_reporting = false;
        if (press.held) {
            m_hook.finish(press.serial);
            m_hold.paste_released(WinProcess::now_ms(), WinProcess::foreground_process());
        }
    }
    m_pumping = false;
}
