#pragma once

#include <QByteArray>
#include <QString>

// The desktop's Ctrl+V runs `corvana --paste-next`, so the Ctrl+V we then type ourselves would
// run it again. On sway we type it in a binding mode of our own that binds nothing, switched to
// over sway's IPC (which answers only once the switch is made) and back once the compositor has
// taken our keys. The mode comes with the snippet in docs/wayland/sway.conf.
class SwayBindingMode {
public:
    static constexpr const char* mode_name = "corvana-paste";

    // socket_path: sway's IPC socket (SWAYSOCK); empty when not on sway.
    explicit SwayBindingMode(QString socket_path) : m_socket_path(std::move(socket_path)) {}

    bool available() const { return !m_socket_path.isEmpty(); }
    // Switches to our mode; false (error says why) when sway refused or did not answer.
    bool enter(QString* error);
    void leave();
    // Whether sway knows our mode (the snippet is included).
    bool defined();

private:
    // Runs one sway command and returns sway's answer.
    bool run(const QByteArray& command, QByteArray* reply, QString* error, quint32 type = 0);

    QString m_socket_path;
};
