#include "FakePasteDesktop.h"

#include "FakeKeyboard.h"
#include "FakePlatform.h"
#include "platform/VirtualKeys.h"

#include <QClipboard>
#include <QGuiApplication>

void FakePasteDesktop::press_paste() {
    m_frozen.append(m_now);
    settle();
}

void FakePasteDesktop::press_pastes(int count, qint64 delay) {
    for (int i = 0; i < count; ++i) {
        press_paste();
        if (i + 1 < count)
            run_for(delay);
    }
    // Every press is let go within the cap after the one before it.
    for (int i = 0; i <= count && !(m_frozen.isEmpty() && m_pending.empty()); ++i)
        run_for(PasteHold::cap_ms);
    run_for(PasteHold::cap_ms);
}

void FakePasteDesktop::run_for(qint64 ms) {
    const qint64 end = m_now + ms;
    while (m_now < end) {
        ++m_now;
        while (!m_pending.empty() && m_pending.begin()->first <= m_now) {
            const Pending pending = m_pending.begin()->second;
            m_pending.erase(m_pending.begin());
            fire(pending);
        }
        settle();
    }
}

void FakePasteDesktop::request(quint32 client, PasteHold::Request kind) {
    fire({client, kind, -1, false});
    settle();
}

void FakePasteDesktop::fire(const Pending& pending) {
    if (pending.kind == PasteHold::Request::Data) {
        const QString text = QGuiApplication::clipboard()->text();
        m_got[pending.client].append(text);
        if (pending.paste >= 0)
            m_target_got[pending.paste].append(text);
    }
    m_hold.request(m_now, pending.client, pending.kind, pending.slow_reader);
}

void FakePasteDesktop::settle() {
    FakeClipboardOwner& owner = FakePlatform::get().fake_clipboard_owner();
    // The server freezes the keyboard on a press only once the press before it has gone on:
    // until then it sits in the server's queue.
    while (!m_frozen.isEmpty()) {
        const qint64 frozen_at = std::max(m_frozen.first(), m_last_release);
        if (!m_hold.may_release(m_now, frozen_at))
            break;
        m_frozen.removeFirst();
        m_frozen_for.append(m_now - frozen_at);
        m_last_release = m_now;
        m_hold.paste_pressed();
        const int served_before = owner.served_texts().size();
        FakePlatform::get().keyboard()->tap({VirtualKeys::Control, VirtualKeys::V});
        const bool served = owner.served_texts().size() > served_before;
        if (served)
            m_hold.entry_served();
        m_hold.paste_released(m_now, m_target);
        const int paste = m_target_got.size();
        m_target_got.append(QStringList());
        for (const Step& step : m_target_script)
            m_pending.insert({m_now + step.after, {m_target, step.kind, paste, step.slow_reader}});
        if (!served)
            continue;
        for (auto it = m_managers.constBegin(); it != m_managers.constEnd(); ++it) {
            for (const Step& step : it.value())
                m_pending.insert({m_now + step.after, {it.key(), step.kind, -1, step.slow_reader}});
        }
    }
}
