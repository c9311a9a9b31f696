#pragma once

#include <QString>

// Where features tell the user something: a tray balloon, or a message box where no tray can
// show one.
class Notifier {
public:
    virtual ~Notifier() = default;
    // A tray balloon when the tray shows messages, else a message box.
    virtual void show_tray_message(const QString& title, const QString& text) = 0;
    // A message box on a modern desktop, else a tray balloon.
    virtual void show_notification(const QString& title, const QString& text) = 0;
};
