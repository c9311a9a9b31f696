#pragma once

#include "platform/GlobalHotkeys.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QTimer>
#include <QVariantMap>

#include <map>

class PortalRequest;

// Global shortcuts through the desktop portal (KDE Plasma, GNOME 48 and later, Hyprland): the
// user's keys go to the portal as the preferred trigger of each of Corvana's actions, the desktop
// binds them (asking the user where it likes), and tells us when one is pressed. Registration is
// answered at once and carried out in one batch a moment later; what the portal answers, or that
// it does not, is logged.
class PortalGlobalHotkeys : public GlobalHotkeys {
    Q_OBJECT
public:
    explicit PortalGlobalHotkeys(const QDBusConnection& bus, int answer_timeout_ms = 60000,
                                 QObject* parent = nullptr);
    ~PortalGlobalHotkeys() override;

    static bool offered(const QDBusConnection& bus);
    // The portal's form of the first combination ("CTRL+ALT+h"), empty where it has none.
    static QString trigger(const QKeySequence& sequence);

    Registration register_hotkey(const QKeySequence& sequence) override;
    Registration register_action(const QKeySequence& sequence, const Action& action) override;
    void unregister_hotkey(int id) override;

private slots:
    void on_activated(const QDBusObjectPath& session, const QString& shortcut, qulonglong time,
                      const QVariantMap& options);

private:
    struct Shortcut {
        QString id;
        QString description;
        QString trigger;
        bool operator==(const Shortcut& other) const {
            return id == other.id && description == other.description && trigger == other.trigger;
        }
    };

    void bind();
    PortalRequest* request(const QString& method, const QVariantList& arguments,
                           const QVariantMap& options = {});

    QDBusConnection m_bus;
    int m_timeout_ms;
    QTimer m_batch;
    std::map<int, Shortcut> m_registered;
    std::vector<Shortcut> m_bound;
    QString m_session;
    PortalRequest* m_pending = nullptr;
    bool m_changed_meanwhile = false;
    int m_next_id = 1;
};
