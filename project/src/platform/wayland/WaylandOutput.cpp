#include "WaylandOutput.h"

#include <wayland-client.h>

namespace {
WaylandOutput* of(void* data) {
    return static_cast<WaylandOutput*>(data);
}

void on_geometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                 const char*, int32_t transform) {
    of(data)->transform = transform;
}

void on_mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void on_done(void*, wl_output*) {}
void on_scale(void*, wl_output*, int32_t) {}

void on_name(void* data, wl_output*, const char* name) {
    of(data)->name = QString::fromUtf8(name);
}

void on_description(void*, wl_output*, const char*) {}

const wl_output_listener listener = {on_geometry, on_mode, on_done,
                                     on_scale,    on_name, on_description};
} // namespace

WaylandOutput::WaylandOutput(wl_output* output, uint32_t global)
    : m_output(output), m_global(global) {
    wl_output_add_listener(m_output, &listener, this);
}

WaylandOutput::~WaylandOutput() {
    if (wl_output_get_version(m_output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(m_output);
    else
        wl_output_destroy(m_output);
}
