// Types key combinations into a Wayland session as a PC keyboard would, with the key codes a
// real one sends: the desktop's bindings see them as the user's keys.
//   e2e_wayland_keys ctrl+v ctrl+v ...
#include "WaylandConnection.h"
#include "WaylandInputInjector.h"
#include "platform/VirtualKeys.h"

#include <QCoreApplication>
#include <QVector>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    WaylandConnection wayland;
    QString error;
    if (!wayland.open(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    WaylandInputInjector injector(wayland, WaylandInputInjector::Codes::Physical);
    const QHash<QString, int> names = {{"ctrl", VirtualKeys::Control}, {"shift", VirtualKeys::Shift},
                                       {"alt", VirtualKeys::Alt},      {"v", VirtualKeys::V},
                                       {"c", VirtualKeys::C},          {"x", VirtualKeys::X}};
    for (const QString& combination : app.arguments().mid(1)) {
        QVector<int> keys;
        for (const QString& name : combination.split(QLatin1Char('+'))) {
            if (!names.contains(name)) {
                std::fprintf(stderr, "unknown key %s\n", qPrintable(name));
                return 2;
            }
            keys.append(names.value(name));
        }
        for (const int key : keys)
            injector.send_key(key, true);
        for (auto key = keys.crbegin(); key != keys.crend(); ++key)
            injector.send_key(*key, false);
    }
    return 0;
}
