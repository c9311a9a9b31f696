#include "app/InstanceCommands.h"

#include "app/App.h"
#include "clipboard/PasteNextAction.h"
#include "common/AppLog.h"
#include "platform/Platform.h"

namespace {
void paste_next(App& app) {
    PasteNextAction::run(app.paste_engine(), *app.m_keyboard, app.m_is_paused,
                         Platform::instance().input_injector(), Platform::instance().key_state());
}

struct Command {
    const char* name;
    void (*perform)(App&);
};

const Command commands[] = {
    {"show", [](App& app) { app.open_app(); }},
    {"paste-next", paste_next},
    {"show-history", [](App& app) { app.open_history_dialog(); }},
    {"show-autocomplete", [](App& app) { app.open_autocomplete_dialog(); }},
    {"toggle-pause", [](App& app) { app.pause_or_resume_corvana(); }},
    {"switch-order", [](App& app) { app.switch_paste_order(); }},
    {"toggle-note", [](App& app) { app.slot_toggle_note_dialog(); }},
    {"screenshot", [](App& app) { app.print_screen(); }},
    {"quit", [](App& app) { app.quit(); }},
};
} // namespace

bool InstanceCommands::perform(App& app, const QString& command) {
    for (const Command& entry : commands) {
        if (command == QLatin1String(entry.name)) {
            APP_LOG(QStringLiteral("Carrying out the command \"%1\"").arg(command));
            entry.perform(app);
            return true;
        }
    }
    return false;
}
