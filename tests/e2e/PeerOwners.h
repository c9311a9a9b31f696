#pragma once

#include <QString>
#include <QStringList>
#include <xcb/xcb.h>

// The first keycode whose unshifted keysym is keysym, 0 when none.
xcb_keycode_t keycode_of(xcb_keysym_t keysym);

// Each runs the event loop as its kind of program would and returns the exit status.
int offer(const QStringList& pairs);
enum class HostileMode { Hang, Vanish, Drip, Flood, Silent };
int hostile(HostileMode mode);
int many_targets(int count, const QString& text);
int clipboard_manager(bool silent);
int read_two(const QByteArray& first, const QByteArray& second);
int copy_then_paste(const QString& first, const QString& second);
