#pragma once

#include <QIcon>
#include <QSystemTrayIcon>

#include <functional>

class App;
class ClipboardHistory;
struct AppSettings;
class QAction;
class QMenu;
class QTimer;

// The program's icon in the notification area: running, paused or locked; its menu; click to
// open the main window, middle click to pause. It also carries the spell-click ritual that
// switches the hidden features.
class TrayIcon : public QSystemTrayIcon {
    Q_OBJECT
public:
    static constexpr int spell_timer_ms = 6000;
    static constexpr int spell_duration_ms = 30000;

    // What the menu entries and clicks ask for.
    struct Actions {
        std::function<void()> open_settings;
        std::function<void()> enter_spell;
        std::function<void()> lock;
        std::function<void()> unlock;
        std::function<void()> open_history;
        std::function<void()> quit;
        std::function<void()> pause_or_resume;
        std::function<void()> save_settings;
    };

    TrayIcon(App* app, AppSettings& settings, const ClipboardHistory& history, Actions actions);
    ~TrayIcon() override;

    void set_locked_icon(bool locked);
    // The icon and the menu entry for a lock set or released anywhere.
    void show_lock(bool locked);
    // Shows the running icon, and tells what a user of this desktop must know.
    void show_at_start(const QString& wayland_notice);
    // A balloon from the tray when there is one that shows messages, else an information box
    // that blocks nothing (no tray must not mean a program waiting for a click).
    static void notify(TrayIcon* tray, const QString& title, const QString& text);
    // The same, logged: a balloon of this tray, or a message box without one.
    static void show_message(TrayIcon* tray, const QString& title, const QString& text);

    QMenu* menu() const { return m_menu; }
    QIcon current_icon() const { return m_current_icon; }
    QString current_icon_name() const { return m_current_icon_name; }
    QString app_info() const;
    App* app() const { return m_app; }
    int spell_click_count() const { return m_spell_click_count; }
    bool spell_armed() const { return m_spell_armed; }
    bool spell_ready() const { return m_spell_ready; }
    QTimer* spell_timer() const { return m_spell_timer; }
    QTimer* spell_duration_timer() const { return m_spell_duration_timer; }

public slots:
    void refresh_tray_menu();
    void change_app_mode();
    void set_app_tray_icon_image(const QString& state);
    void set_app_info(const QString& state, const QString& info);
    void icon_activated(QSystemTrayIcon::ActivationReason reason);
    void count_spell_clicks();
    void start_hidden_features_spell_timer();
    void start_spell_duration_timer();
    void spell_timer_finished();
    void spell_duration_timer_finished();
    void activate_hidden_features();
    void reset_spell();

private:
    void use_icon(const QString& name);
    QAction* add_action(const QString& text, const std::function<void()>& action);

    App* m_app;
    AppSettings& m_settings;
    const ClipboardHistory& m_history;
    Actions m_actions;
    QIcon m_current_icon;
    QString m_current_icon_name;
    QIcon m_normal_icon;
    QIcon m_paused_icon;
    qint32 m_spell_click_count = 0;
    bool m_spell_armed = false;
    bool m_spell_ready = false;
    QAction* m_info_action;
    QMenu* m_menu;
    QTimer* m_spell_timer;
    QTimer* m_spell_duration_timer;
};
