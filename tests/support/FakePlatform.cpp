#include "FakePlatform.h"

#include "FakeKeyboard.h"

Keyboard* FakePlatform::create_keyboard(QObject* parent) {
    m_keyboard = new FakeKeyboard(m_key_state, parent);
    return m_keyboard;
}

ClipboardOwner& FakePlatform::clipboard_owner() {
    return fake_clipboard_owner();
}

FakeClipboardOwner& FakePlatform::fake_clipboard_owner() {
    if (!m_clipboard_owner)
        m_clipboard_owner = std::make_unique<FakeClipboardOwner>();
    return *m_clipboard_owner;
}

FakePlatform& FakePlatform::get() {
    return static_cast<FakePlatform&>(Platform::instance());
}

void FakePlatform::keyboard_destroyed(FakeKeyboard* keyboard) {
    if (m_keyboard == keyboard)
        m_keyboard = nullptr;
}

std::unique_ptr<Platform> create_platform() {
    return std::make_unique<FakePlatform>();
}
