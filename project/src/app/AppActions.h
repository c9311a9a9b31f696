#pragma once

#include "app/SaveManager.h"
#include "spells/HiddenFeatures.h"
#include "startup/Startup.h"
#include "tray/TrayIcon.h"

class App;

// What the features that do not hold App ask of it: the callbacks each one is built with.
class AppActions {
public:
    static SaveManager::Indicator indicator(App& app);
    static HiddenFeatures::Actions spells(App& app);
    static TrayIcon::Actions tray(App& app);
    // Start at login and the launchers, through the platform's services.
    static Startup startup();
};
