// A user in a Wayland session, for the end-to-end tests:
//   e2e_wayland_peer keys ctrl+v ctrl+v ...   key combinations with the codes a PC keyboard
//                                              sends, so the desktop's bindings see them
//   e2e_wayland_peer copy-secret TEXT          copies TEXT marked as a password manager marks
//                                              it, and serves it until another copy replaces it
#include "WaylandClipboardOwner.h"
#include "WaylandConnection.h"
#include "WaylandInputInjector.h"
#include "clipboard/SecretContent.h"
#include "platform/VirtualKeys.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QTimer>
#include <QVector>

#include <cstdio>

namespace {
// Presses each combination's keys in turn and lets them go in reverse; false on a key it does not
// know.
bool type_keys(WaylandConnection& wayland, const QStringList& combinations) {
    WaylandInputInjector injector(wayland, WaylandInputInjector::Codes::Physical);
    const QHash<QString, int> names = {
        {"ctrl", VirtualKeys::Control}, {"shift", VirtualKeys::Shift}, {"alt", VirtualKeys::Alt},
        {"v", VirtualKeys::V},          {"c", VirtualKeys::C},         {"x", VirtualKeys::X}};
    for (const QString& combination : combinations) {
        QVector<int> keys;
        for (const QString& name : combination.split(QLatin1Char('+')))
            keys.append(names.value(name, -1));
        if (keys.contains(-1))
            return false;
        for (const int key : keys)
            injector.send_key(key, true);
        for (auto key = keys.crbegin(); key != keys.crend(); ++key)
            injector.send_key(*key, false);
    }
    return true;
}

int copy_secret(WaylandConnection& wayland, const QString& text) {
    WaylandClipboardOwner owner(wayland);
    QString error;
    if (!owner.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    auto* data = new QMimeData;
    data->setText(text);
    SecretContent::mark(data);
    owner.serve(data);
    QObject::connect(&owner, &ClipboardOwner::copied, qApp, &QCoreApplication::quit);
    QTimer::singleShot(60000, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    WaylandConnection wayland;
    QString error;
    if (!wayland.open(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (arguments.value(0) == QLatin1String("keys") && type_keys(wayland, arguments.mid(1)))
        return 0;
    if (arguments.value(0) == QLatin1String("copy-secret") && arguments.size() == 2)
        return copy_secret(wayland, arguments.at(1));
    std::fprintf(stderr, "usage: e2e_wayland_peer keys COMBINATION... | copy-secret TEXT\n");
    return 2;
}
