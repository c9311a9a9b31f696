#include "WaylandConnection.h"

#include "common/AppLog.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

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
    }
}

void WaylandConnection::on_global_remove(void*, wl_registry*, uint32_t) {}

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
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    m_data_control = nullptr;
    m_virtual_keyboard = nullptr;
    m_seat = nullptr;
    m_registry = nullptr;
    if (m_display)
        wl_display_disconnect(m_display);
    m_display = nullptr;
}
