#pragma once

#include "platform/ScreenCapture.h"

#include <QDBusConnection>

// The screen through the desktop's screenshot portal, without asking the user: the portal saves
// the whole desktop to a file and names it; the area is cut from that. The file comes from
// another program, so only a regular local file of a picture's size limits is read, and it is
// left where it is: the portal does not say it is ours to delete.
class PortalScreenCapture : public ScreenCapture {
public:
    explicit PortalScreenCapture(const QDBusConnection& bus, int answer_timeout_ms = 20000);

    static bool offered(const QDBusConnection& bus);

    QImage grab(const QRect& area, QString* error) override;

private:
    QDBusConnection m_bus;
    int m_timeout_ms;
};
