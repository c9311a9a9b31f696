#include "app/AppActions.h"

#include "app/App.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"

SaveManager::Indicator AppActions::indicator(App& app) {
    return {[&app] { return app.status_indicator_position(); },
            [&app](const QPoint& at) { app.move_status_indicator(at.x(), at.y()); }};
}

HiddenFeatures::Actions AppActions::spells(App& app) {
    HiddenFeatures::Actions actions;
    actions.open_help = [&app] { app.open_hidden_features_help(); };
    actions.open_url = [&app](const QString& address) { app.open_url(address); };
    actions.save_settings = [&app] { app.save_manager()->save_settings(); };
    actions.reset_settings = [&app] {
        app.save_manager()->reset_settings();
        app.save_manager()->load_settings();
        app.update_ui();
        // The defaults just loaded are the ones that must act, not the old sequences.
        app.update_global_shortcuts();
    };
    actions.refresh_tray_menu = [&app] {
        if (TrayIcon* tray = app.tray_icon())
            tray->refresh_tray_menu();
    };
    actions.show_tray_message = [&app](const QString& title, const QString& text) {
        app.show_tray_message(title, text);
    };
    actions.start_at_login = [](bool on) {
        on ? startup().enable_start_at_login() : startup().disable_start_at_login();
    };
    actions.set_mouse_trails = [](int trails, QString* error) {
        return Platform::instance().system_info().set_mouse_trails(trails, error);
    };
    return actions;
}

TrayIcon::Actions AppActions::tray(App& app) {
    TrayIcon::Actions actions;
    actions.open_settings = [&app] { app.open_app_settings(); };
    actions.enter_spell = [&app] { app.enter_hidden_feature_spell(); };
    actions.lock = [&app] { app.lock_current_position(); };
    actions.unlock = [&app] { app.unlock_current_position(); };
    actions.open_history = [&app] { app.open_history_dialog(); };
    actions.quit = [&app] { app.quit(); };
    actions.pause_or_resume = [&app] { app.pause_or_resume_corvana(); };
    actions.save_settings = [&app] { app.save_manager()->save_settings(); };
    return actions;
}

Startup AppActions::startup() {
    Platform& desktop = Platform::instance();
    return Startup(desktop.autostart(), desktop.shell_links(), desktop.uninstaller_name());
}
