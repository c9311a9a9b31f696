#include "platform/PeerCredentials.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

bool PeerCredentials::same_user(qintptr descriptor, QString* error) {
    uid_t peer = 0;
#ifdef SO_PEERCRED
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
        *error = QStringLiteral("cannot read the peer's credentials: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    peer = credentials.uid;
#else
    gid_t group = 0;
    if (::getpeereid(int(descriptor), &peer, &group) != 0) {
        *error = QStringLiteral("cannot read the peer's credentials: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
#endif
    if (peer != ::geteuid()) {
        *error = QStringLiteral("the peer runs as another user (uid %1)").arg(peer);
        return false;
    }
    return true;
}
