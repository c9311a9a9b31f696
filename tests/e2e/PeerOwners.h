#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <xcb/xcb.h>

// The first keycode whose unshifted keysym is keysym, 0 when none.
xcb_keycode_t keycode_of(xcb_keysym_t keysym);

// The clipboard owners' and readers' modes by name, for the arguments a (a[1] is the mode); each
// runs the event loop as its kind of program would and returns the exit status.
QMap<QString, std::function<int()>> owner_modes(const QStringList& a);
