#pragma once

#include "platform/GlobalHotkeys.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

class WinMessageWindow;

// Hotkeys through RegisterHotKey on a window of our own. Two registrations of one combination
// share it (Windows refuses the same combination twice, even to one window).
class WinGlobalHotkeys : public GlobalHotkeys {
    Q_OBJECT
public:
    explicit WinGlobalHotkeys(QObject* parent = nullptr);
    ~WinGlobalHotkeys() override;

    Registration register_hotkey(const QKeySequence& sequence) override;
    void unregister_hotkey(int id) override;

private:
    using Combination = std::pair<unsigned, unsigned>; // modifiers, virtual key
    struct Shared {
        int system_id = 0;
        std::vector<int> ids;
    };

    void on_hotkey(int system_id);

    std::unique_ptr<WinMessageWindow> m_window;
    std::map<Combination, Shared> m_combinations;
    std::map<int, Combination> m_ids;
    int m_next_id = 1;
    int m_next_system_id = 1;
};
