#pragma once

// The program's entry in the desktop's task bar or dock, used as a state light: a progress bar
// that is full while running and shown in the paused colour while paused. Where the desktop
// cannot show it, the state is still kept.
class TaskbarButton {
public:
    virtual ~TaskbarButton() = default;

    virtual void set_progress_visible(bool visible) = 0;
    virtual void set_progress_value(int percent) = 0;
    virtual void set_paused(bool paused) = 0;

    virtual bool progress_visible() const = 0;
    virtual int progress_value() const = 0;
    virtual bool paused() const = 0;
};
