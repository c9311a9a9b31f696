#pragma once

#include <QString>

// Starting the program when the user logs in.
class Autostart {
public:
    virtual ~Autostart() = default;

    // Whether the entry exists and starts executable in working_dir, exactly as enable writes it.
    virtual bool matches(const QString& executable, const QString& working_dir) const = 0;
    // Writes the entry; false with a reason in error when it cannot.
    virtual bool enable(const QString& executable, const QString& working_dir, QString* error) = 0;
    // Removes the entry; true when none is left (also when there was none).
    virtual bool disable(QString* error) = 0;
};
