#include "X11SystemInfo.h"

#include <QtDebug>

bool X11SystemInfo::set_mouse_trails(int length, QString* error) {
    qDebug().noquote() << "Mouse trails of" << length << "asked for; X11 has none";
    if (error)
        *error = QStringLiteral("this desktop has no mouse trails");
    return false;
}
