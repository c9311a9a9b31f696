#pragma once

#include <QString>
#include <QtGlobal>

// Who is at the other end of a local connection. Each system has its own implementation
// (posix/, win/), picked by the build.
class PeerCredentials {
public:
    // Whether the process connected through descriptor (a local socket, a named pipe) runs as
    // the same user as this one. False, with the reason in *error, when it does not or when
    // that cannot be told.
    static bool same_user(qintptr descriptor, QString* error);
};
