#pragma once

#include "common/Notifier.h"

#include <QStringList>

// Records what a feature tells the user, "title: text" each, whichever way it asks.
class FakeNotifier : public Notifier {
public:
    QStringList shown;
    void show_tray_message(const QString& title, const QString& text) override {
        shown << title + QStringLiteral(": ") + text;
    }
    void show_notification(const QString& title, const QString& text) override {
        show_tray_message(title, text);
    }
};
