#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class App;
struct AppSettings;
struct SpellToken;

// The spell interpreter: tries each pattern in order, runs the first that matches, tells the user
// (while hidden-features notifications are on) and saves the settings.
class HiddenFeatures : public QObject {
    Q_OBJECT
public:
    // What the spells do beyond switching a setting.
    struct Actions {
        std::function<void()> open_help;
        std::function<void(const QString&)> open_url;
        std::function<void()> save_settings;
        // Back to the defaults, in the file and everywhere they act.
        std::function<void()> reset_settings;
        std::function<void()> refresh_tray_menu;
        std::function<void(const QString& title, const QString& text)> show_tray_message;
        std::function<void(bool on)> start_at_login;
        std::function<bool(int trails, QString* error)> set_mouse_trails;
    };

    HiddenFeatures(App* app, AppSettings& settings, Actions actions);

    App* app() const { return m_app; }

    // The tray entry: the help page the first time, then the spell dialog, one at a time.
    void enter_spell();
    void activate(const QString& spell);
    void dialog_closed() { m_spell_dialog_open = false; }
    bool spell_dialog_open() const { return m_spell_dialog_open; }

    void cast_spell(const QByteArray& spell);
    void notify(const QString& title, const QString& text);

    // The patterns in the order they are tried.
    static QList<QByteArray> patterns();
    // The hidden-features page: the configured web address, else the page that ships with the
    // program (beside it, or in a Linux install's share/doc/corvana/).
    static QString help_url();
    // Where the keyword spells lead, in the order of their patterns.
    static QList<QPair<QByteArray, QString>> keyword_addresses();

signals:
    // Every notification actually shown.
    void notified(const QString& title, const QString& text);

private:
    using Handler = std::function<void(const QList<SpellToken>&)>;
    struct Row {
        QByteArray pattern;
        Handler handler;
    };
    QList<Row> rows();
    void switched(bool on, const QString& on_title, const QString& on_text,
                  const QString& off_title, const QString& off_text);
    void invalid_spell(const QByteArray& spell);
    void reset_colors();
    void invert_colors();
    void software_cursor(bool on);
    void refresh_tray_menu();

    App* m_app;
    AppSettings& m_settings;
    Actions m_actions;
    bool m_spell_dialog_open = false;
};
