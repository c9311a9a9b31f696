#pragma once

#include <QByteArray>
#include <QString>

// sway's IPC socket (SWAYSOCK), asked whether the user's configuration binds Corvana's paste, so
// that Corvana does not ask for a binding that is there.
class SwayIpc {
public:
    // socket_path: empty when not on sway.
    explicit SwayIpc(QString socket_path) : m_socket_path(std::move(socket_path)) {}

    bool available() const { return !m_socket_path.isEmpty(); }
    // Whether the loaded configuration, or a file it includes, holds text.
    bool config_mentions(const QByteArray& text);

private:
    // One request and its answer's payload; false (error says why) when sway did not answer.
    bool request(quint32 type, const QByteArray& payload, QByteArray* reply, QString* error);

    QString m_socket_path;
};
