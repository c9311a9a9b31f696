#include "X11Platform.h"

#include "X11GlobalHotkeys.h"
#include "X11InputInjector.h"
#include "X11KeyMap.h"
#include "X11KeyState.h"
#include "X11Keyboard.h"
#include "X11TerminationSignals.h"

#include <QtDebug>

std::unique_ptr<Platform> create_platform() {
    return std::make_unique<X11Platform>();
}

X11Platform::X11Platform() = default;

X11Platform::~X11Platform() = default;

Keyboard* X11Platform::create_keyboard(QObject* parent) {
    if (keyboard_)
        qWarning("X11Platform: a second keyboard while the first exists; their grabs clash");
    auto* keyboard = new X11Keyboard(key_map(), parent);
    keyboard_ = keyboard;
    x11_key_state().set_keyboard(keyboard);
    return keyboard;
}

KeyState& X11Platform::key_state() {
    return x11_key_state();
}

InputInjector& X11Platform::input_injector() {
    if (!input_injector_)
        input_injector_ = std::make_unique<X11InputInjector>(key_map());
    return *input_injector_;
}

GlobalHotkeys& X11Platform::global_hotkeys() {
    if (!global_hotkeys_)
        global_hotkeys_ = std::make_unique<X11GlobalHotkeys>(key_map());
    return *global_hotkeys_;
}

void X11Platform::on_termination_request(std::function<void()> handler) {
    if (termination_signals_)
        termination_signals_->set_handler(std::move(handler));
    else
        termination_signals_ = std::make_unique<X11TerminationSignals>(std::move(handler));
}

std::shared_ptr<X11KeyMap> X11Platform::key_map() {
    if (!key_map_)
        key_map_ = std::make_shared<X11KeyMap>();
    return key_map_;
}

X11KeyState& X11Platform::x11_key_state() {
    if (!key_state_) {
        key_state_ = std::make_unique<X11KeyState>(key_map());
        key_state_->set_keyboard(keyboard_);
    }
    return *key_state_;
}
