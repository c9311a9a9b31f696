#pragma once

#include <QString>

class App;

// What a command from a second start does in the running instance: what the user's own shortcut
// for it does.
class InstanceCommands {
public:
    // False, with nothing done, for a command it does not know.
    static bool perform(App& app, const QString& command);
};
