#include "PortalInputInjector.h"

#include "PortalRequest.h"
#include "common/AppLog.h"
#include "common/PrivateFiles.h"
#include "platform/VirtualKeys.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {
const QString interface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
constexpr uint keyboard_device = 1;
constexpr uint persist_until_revoked = 2;
constexpr int max_token_bytes = 1024;

struct Key {
    int virtual_key;
    int evdev;  // the modifiers and Print sit on the same codes in every layout
    int keysym; // letters by symbol: on Dvorak or AZERTY the V is on another key
};

const Key keys[] = {
    {VirtualKeys::Control, 29, 0}, {VirtualKeys::Shift, 42, 0},       {VirtualKeys::Alt, 56, 0},
    {VirtualKeys::V, 47, 'v'},     {VirtualKeys::C, 46, 'c'},         {VirtualKeys::X, 45, 'x'},
    {VirtualKeys::B, 48, 'b'},     {VirtualKeys::PrintScreen, 99, 0},
};

QString path_of(const QVariant& handle) {
    // A string by the documentation, an object path from some portals.
    return handle.userType() == qMetaTypeId<QDBusObjectPath>()
               ? handle.value<QDBusObjectPath>().path()
               : handle.toString();
}
} // namespace

PortalInputInjector::PortalInputInjector(const QDBusConnection& bus, const QString& token_file,
                                         int answer_timeout_ms, int consent_timeout_ms,
                                         std::function<void()> paste_read)
    : m_bus(bus), m_token_file(token_file), m_answer_timeout_ms(answer_timeout_ms),
      m_consent_timeout_ms(consent_timeout_ms), m_paste_read(std::move(paste_read)) {}

PortalInputInjector::~PortalInputInjector() {
    if (!m_session.isEmpty())
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            PortalRequest::service, m_session, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close")));
}

bool PortalInputInjector::offered(const QDBusConnection& bus) {
    return PortalRequest::offers(bus, interface);
}

bool PortalInputInjector::ready() {
    if (!m_tried) {
        m_tried = true;
        if (open_session())
            APP_LOG(QStringLiteral("Wayland: keys are typed through the desktop's remote-control "
                                   "portal"));
        else
            APP_LOG(QStringLiteral("APP_LOG Wayland: keys cannot be typed here: %1").arg(m_error));
    }
    return m_error.isEmpty();
}

bool PortalInputInjector::open_session() {
    PortalRequest create(m_bus, m_answer_timeout_ms);
    create.start(interface, QStringLiteral("CreateSession"), {},
                 {{QStringLiteral("session_handle_token"), PortalRequest::token()}});
    create.wait();
    m_session = path_of(create.results().value(QStringLiteral("session_handle")));
    if (m_session.isEmpty()) {
        m_error = QStringLiteral("the desktop's remote-control portal gave no session: %1")
                      .arg(create.error());
        return false;
    }
    const QVariant session = QVariant::fromValue(QDBusObjectPath(m_session));
    QVariantMap devices{{QStringLiteral("types"), keyboard_device},
                        {QStringLiteral("persist_mode"), persist_until_revoked}};
    const QString token = read_token();
    if (!token.isEmpty())
        devices.insert(QStringLiteral("restore_token"), token);
    PortalRequest select(m_bus, m_answer_timeout_ms);
    select.start(interface, QStringLiteral("SelectDevices"), {session}, devices);
    select.wait();
    if (!select.error().isEmpty()) {
        m_error = QStringLiteral("the desktop's remote-control portal took no keyboard: %1")
                      .arg(select.error());
        return false;
    }
    PortalRequest start(m_bus, m_consent_timeout_ms);
    start.start(interface, QStringLiteral("Start"), {session, QString()}, {});
    start.wait();
    if (start.response() == 1) {
        m_error = QStringLiteral("the desktop's question whether Corvana may control the keyboard "
                                 "was declined; Ctrl+V is not typed until Corvana starts again "
                                 "and it is allowed");
        return false;
    }
    if (!start.error().isEmpty()) {
        m_error = QStringLiteral("the desktop did not let Corvana control the keyboard: %1")
                      .arg(start.error());
        return false;
    }
    if (!(start.results().value(QStringLiteral("devices")).toUInt() & keyboard_device)) {
        m_error = QStringLiteral("the desktop let Corvana control no keyboard");
        return false;
    }
    // A token serves once: the one given now is the one for the next start.
    const QString next = start.results().value(QStringLiteral("restore_token")).toString();
    if (!next.isEmpty())
        save_token(next);
    return true;
}

QString PortalInputInjector::read_token() const {
    QFile file(m_token_file);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray token = file.read(max_token_bytes + 1).trimmed();
    const bool plain =
        token.size() <= max_token_bytes &&
        std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
    return plain ? QString::fromLatin1(token) : QString();
}

void PortalInputInjector::save_token(const QString& token) {
    const QString temporary = m_token_file + QStringLiteral(".new");
    QFile::remove(temporary);
    QString error;
    if (PrivateFiles::write_new(temporary, token.toUtf8(), &error)) {
        if (std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(m_token_file).constData()) == 0)
            return;
        error = QStringLiteral("it could not be renamed into %1").arg(m_token_file);
    }
    APP_LOG(QStringLiteral("Wayland: the desktop's permission to type keys was not kept (%1): it "
                           "will ask again at the next start")
                .arg(error));
}

void PortalInputInjector::notify(const char* method, int code, bool down) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalRequest::service, PortalRequest::desktop_path, interface, QLatin1String(method));
    call.setArguments(
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap(), code, uint(down ? 1 : 0)});
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_answer_timeout_ms);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return;
    m_error = QStringLiteral("the desktop's remote-control portal stopped taking keys: %1")
                  .arg(reply.errorMessage());
    APP_LOG(QStringLiteral("APP_LOG Wayland: keys cannot be typed here: %1").arg(m_error));
}

void PortalInputInjector::send_key(int virtual_key, bool down) {
    const Key* key = std::find_if(std::begin(keys), std::end(keys),
                                  [&](const Key& k) { return k.virtual_key == virtual_key; });
    if (key == std::end(keys) || down == m_down.contains(virtual_key) || !ready())
        return;
    if (down)
        m_down.insert(virtual_key);
    else
        m_down.remove(virtual_key);
    if (key->keysym)
        notify("NotifyKeyboardKeysym", key->keysym, down);
    else
        notify("NotifyKeyboardKeycode", key->evdev, down);
    if (m_down.isEmpty() && m_paste_read && m_error.isEmpty())
        m_paste_read();
}
