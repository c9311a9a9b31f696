#pragma once

// What the program does when the session asks it to end (SIGTERM and the like): what Quit does,
// settings saved, also while it is still starting.
class TerminationHandler {
public:
    // Registers the handler with the installed platform; main calls it before building App.
    static void install();
    static void handle();
};
