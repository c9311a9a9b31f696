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
int type_keys(WaylandConnection& wayland, const QStringList& combinations) {
    WaylandInputInjector injector(wayland, WaylandInputInjector::Codes::Physical);
    const QHash<QString, int> names = {
        {"ctrl", VirtualKeys::Control}, {"shift", VirtualKeys::Shift}, {"alt", VirtualKeys::Alt},
        {"v", VirtualKeys::V},          {"c", VirtualKeys::C},         {"x", VirtualKeys::X}};
    for (const QString& combination : combinations) {
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
    if (arguments.value(0) == QLatin1String("keys"))
        return type_keys(wayland, arguments.mid(1));
    if (arguments.value(0) == QLatin1String("copy-secret") && arguments.size() == 2)
        return copy_secret(wayland, arguments.at(1));
    std::fprintf(stderr, "usage: e2e_wayland_peer keys COMBINATION... | copy-secret TEXT\n");
    return 2;
}
