#pragma once

#include "platform/InputInjector.h"

#include <QDBusConnection>
#include <QSet>
#include <QString>

#include <functional>

// Types keys through the desktop's remote-control portal, where the compositor has no virtual
// keyboard for programs (KDE Plasma's KWin). The desktop asks the user once; the token it gives
// back is kept in token_file, so later starts are let through without asking. A refusal, a
// cancelled question or a portal that does not answer is logged once and kept: no keys are sent,
// and error() says why for the user.
class PortalInputInjector : public InputInjector {
public:
    // answer_timeout_ms bounds the calls the portal answers at once; consent_timeout_ms the one
    // that may wait for the user's decision.
    PortalInputInjector(const QDBusConnection& bus, const QString& token_file,
                        int answer_timeout_ms = 10000, int consent_timeout_ms = 120000,
                        std::function<void()> paste_read = {});
    ~PortalInputInjector() override;
    PortalInputInjector(const PortalInputInjector&) = delete;
    PortalInputInjector& operator=(const PortalInputInjector&) = delete;

    static bool offered(const QDBusConnection& bus);

    void send_key(int virtual_key, bool down) override;
    // Opens the session now: the user is asked at start, not in the middle of a paste.
    void prepare() { ready(); }
    // Empty while keys can be sent (or have not been tried); else why they cannot.
    QString error() const { return m_error; }

private:
    bool ready();
    bool open_session();
    QString read_token() const;
    void save_token(const QString& token);
    void notify(const char* method, int code, bool down);

    QDBusConnection m_bus;
    QString m_token_file;
    int m_answer_timeout_ms;
    int m_consent_timeout_ms;
    std::function<void()> m_paste_read;
    QString m_session;
    bool m_tried = false;
    QString m_error;
    QSet<int> m_down;
};
