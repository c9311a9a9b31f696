#pragma once

#include <QString>

#include <cstdint>

struct wl_output;

// One screen as the compositor describes it: its name, which Qt's screen carries too, and how
// its picture is turned on the panel. Its size and scale are Qt's screen's.
class WaylandOutput {
public:
    WaylandOutput(wl_output* output, uint32_t global);
    ~WaylandOutput();
    WaylandOutput(const WaylandOutput&) = delete;
    WaylandOutput& operator=(const WaylandOutput&) = delete;

    wl_output* handle() const { return m_output; }
    uint32_t global() const { return m_global; }

    QString name;
    // A wl_output_transform: how the screen's content is turned to fit the panel.
    int transform = 0;

private:
    wl_output* m_output;
    uint32_t m_global;
};
