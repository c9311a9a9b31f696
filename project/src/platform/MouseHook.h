#pragma once

#include <QPoint>
#include <QString>

#include <functional>

// Reports every pointer event of the desktop while installed; never swallows one.
class MouseHook {
public:
    struct Event {
        enum class Kind { Move, Press, Release };
        Kind kind = Kind::Move;
        QPoint position; // desktop coordinates, where the pointer is now
        int button = 0;
    };
    using Callback = std::function<void(const Event&)>;

    virtual ~MouseHook() = default;

    // False, with *error, when the desktop cannot report pointer events.
    virtual bool install(Callback callback, QString* error) = 0;
    virtual void uninstall() = 0;
    virtual bool installed() const = 0;
};
