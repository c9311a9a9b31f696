#include "WaylandConnection.h"

#include "WaylandOutput.h"
#include "common/AppLog.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace {
const wl_registry_listener registry_listener = {&WaylandConnection::on_global,
                                                &WaylandConnection::on_global_remove};
} // namespace

WaylandConnection::WaylandConnection(QObject* parent) : QObject(parent) {}

WaylandConnection::~WaylandConnection() {
    close();
}

bool WaylandConnection::open(QString* error) {
    if (m_display)
        return true;
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        *error = QStringLiteral("no Wayland compositor to connect to (%1)")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registry_listener, this);
    if (wl_display_roundtrip(m_display) < 0) {
        *error = QStringLiteral("the Wayland compositor closed the connection");
        close();
        return false;
    }
    // Asked before the application object exists, the connection is only looked at, not read.
    if (QCoreApplication::instance()) {
        m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &WaylandConnection::read_events);
    }
    return true;
}

void WaylandConnection::on_global(void* data, wl_registry* registry, uint32_t name,
                                  const char* interface, uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    const auto is = [interface](const wl_interface& wanted) {
        return std::strcmp(interface, wanted.name) == 0;
    };
    // The first seat: a desktop with several is rare, and the clipboard follows the first.
    if (is(wl_seat_interface) && !self->m_seat) {
        self->m_seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (is(zwlr_data_control_manager_v1_interface) && !self->m_data_control) {
        self->m_data_control = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface,
                             std::min<uint32_t>(version, 2)));
    } else if (is(zwp_virtual_keyboard_manager_v1_interface) && !self->m_virtual_keyboard) {
        self->m_virtual_keyboard = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (is(wl_shm_interface) && !self->m_shm) {
        self->m_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (is(zwlr_screencopy_manager_v1_interface) && !self->m_screencopy) {
        // Version 1: the copy is asked for as soon as the buffer it needs is described.
        self->m_screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 1));
    } else if (is(wl_output_interface)) {
        // Version 4 names the output as Qt names its screen.
        self->m_outputs.push_back(std::make_unique<WaylandOutput>(
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface,
                                                     std::min<uint32_t>(version, 4))),
            name));
    }
}

void WaylandConnection::on_global_remove(void* data, wl_registry*, uint32_t name) {
    auto& outputs = static_cast<WaylandConnection*>(data)->m_outputs;
    outputs.erase(std::remove_if(outputs.begin(), outputs.end(),
                                 [name](const auto& output) { return output->global() == name; }),
                  outputs.end());
}

void WaylandConnection::flush() {
    if (m_display)
        wl_display_flush(m_display);
}

bool WaylandConnection::roundtrip() {
    if (!m_display)
        return false;
    if (wl_display_roundtrip(m_display) >= 0)
        return true;
    read_events();
    return false;
}

void WaylandConnection::dispatch_pending() {
    if (!m_display)
        return;
    pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0)
        read_events();
    else
        wl_display_dispatch_pending(m_display);
    flush();
}

void WaylandConnection::read_events() {
    if (!m_display)
        return;
    if (wl_display_dispatch(m_display) < 0) {
        APP_LOG(QStringLiteral("APP_LOG Wayland: the connection to the compositor broke (%1)")
                    .arg(QString::fromLocal8Bit(std::strerror(wl_display_get_error(m_display)))));
        if (m_notifier)
            m_notifier->setEnabled(false);
        emit broken();
        return;
    }
    flush();
}

void WaylandConnection::close() {
    delete m_notifier;
    m_notifier = nullptr;
    if (m_data_control)
        zwlr_data_control_manager_v1_destroy(m_data_control);
    if (m_virtual_keyboard)
        zwp_virtual_keyboard_manager_v1_destroy(m_virtual_keyboard);
    if (m_screencopy)
        zwlr_screencopy_manager_v1_destroy(m_screencopy);
    if (m_shm)
        wl_shm_destroy(m_shm);
    m_outputs.clear();
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    m_data_control = nullptr;
    m_virtual_keyboard = nullptr;
    m_screencopy = nullptr;
    m_shm = nullptr;
    m_seat = nullptr;
    m_registry = nullptr;
    if (m_display)
        wl_display_disconnect(m_display);
    m_display = nullptr;
}
