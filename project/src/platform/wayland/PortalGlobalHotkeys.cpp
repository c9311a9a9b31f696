#include "PortalGlobalHotkeys.h"

#include "PortalRequest.h"
#include "common/AppLog.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>

#include <algorithm>
#include <utility>

namespace {
const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One entry of BindShortcuts' a(sa{sv}), asked and answered.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The keys the shortcut table uses that are neither letters, digits nor F keys, by keysym name.
const std::pair<int, const char*> key_names[] = {
    {Qt::Key_Space, "space"},
    {Qt::Key_Slash, "slash"},
    {Qt::Key_Backslash, "backslash"},
    {Qt::Key_Less, "less"},
    {Qt::Key_Greater, "greater"},
    {Qt::Key_Comma, "comma"},
    {Qt::Key_Period, "period"},
    {Qt::Key_Minus, "minus"},
    {Qt::Key_Equal, "equal"},
    {Qt::Key_Semicolon, "semicolon"},
    {Qt::Key_Apostrophe, "apostrophe"},
    {Qt::Key_BracketLeft, "bracketleft"},
    {Qt::Key_BracketRight, "bracketright"},
    {Qt::Key_QuoteLeft, "grave"},
    {Qt::Key_Left, "Left"},
    {Qt::Key_Right, "Right"},
    {Qt::Key_Up, "Up"},
    {Qt::Key_Down, "Down"},
    {Qt::Key_Home, "Home"},
    {Qt::Key_End, "End"},
    {Qt::Key_PageUp, "Prior"},
    {Qt::Key_PageDown, "Next"},
    {Qt::Key_Insert, "Insert"},
    {Qt::Key_Delete, "Delete"},
    {Qt::Key_Return, "Return"},
    {Qt::Key_Escape, "Escape"},
    {Qt::Key_Tab, "Tab"},
    {Qt::Key_Backspace, "BackSpace"},
    {Qt::Key_Print, "Print"},
};
} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

PortalGlobalHotkeys::PortalGlobalHotkeys(const QDBusConnection& bus, int answer_timeout_ms,
                                         QObject* parent)
    : GlobalHotkeys(parent), m_bus(bus), m_timeout_ms(answer_timeout_ms) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    // The eighteen registrations of a pass go to the portal as one batch.
    m_batch.setSingleShot(true);
    m_batch.setInterval(0);
    connect(&m_batch, &QTimer::timeout, this, &PortalGlobalHotkeys::bind);
    m_bus.connect(PortalRequest::service, PortalRequest::desktop_path, interface,
                  QStringLiteral("Activated"), this,
                  SLOT(on_activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalGlobalHotkeys::~PortalGlobalHotkeys() {
    if (!m_session.isEmpty())
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            PortalRequest::service, m_session, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close")));
}

bool PortalGlobalHotkeys::offered(const QDBusConnection& bus) {
    return PortalRequest::offers(bus, interface);
}

QString PortalGlobalHotkeys::trigger(const QKeySequence& sequence) {
    if (sequence.isEmpty())
        return QString();
    const int combination = sequence[0];
    const int key = combination & ~Qt::KeyboardModifierMask;
    QString name;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        name = QChar(key).toLower();
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        name = QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    for (const auto& entry : key_names) {
        if (entry.first == key)
            name = QLatin1String(entry.second);
    }
    if (name.isEmpty())
        return QString();
    QString text;
    const std::pair<Qt::KeyboardModifier, const char*> modifiers[] = {
        {Qt::ControlModifier, "CTRL+"},
        {Qt::AltModifier, "ALT+"},
        {Qt::ShiftModifier, "SHIFT+"},
        {Qt::MetaModifier, "LOGO+"}};
    for (const auto& modifier : modifiers) {
        if (combination & modifier.first)
            text += QLatin1String(modifier.second);
    }
    return text + name;
}

GlobalHotkeys::Registration PortalGlobalHotkeys::register_hotkey(const QKeySequence& sequence) {
    const QString text = sequence.toString(QKeySequence::PortableText);
    return register_action(sequence, {text, text});
}

GlobalHotkeys::Registration PortalGlobalHotkeys::register_action(const QKeySequence& sequence,
                                                                 const Action& action) {
    Registration done;
    done.id = m_next_id++;
    m_registered[done.id] = {action.id, action.description, trigger(sequence)};
    m_changed_meanwhile = m_pending != nullptr;
    m_batch.start();
    return done;
}

void PortalGlobalHotkeys::unregister_hotkey(int id) {
    // The portal keeps the binding (dropping it could ask the user again); its presses are ours
    // to ignore.
    m_registered.erase(id);
}

PortalRequest* PortalGlobalHotkeys::request(const QString& method, const QVariantList& arguments,
                                            const QVariantMap& options) {
    m_pending = new PortalRequest(m_bus, m_timeout_ms, this);
    m_pending->start(interface, method, arguments, options);
    return m_pending;
}

void PortalGlobalHotkeys::bind() {
    if (m_pending)
        return; // asked again when the answer is in
    std::vector<Shortcut> wanted;
    for (const auto& entry : m_registered) {
        if (std::none_of(wanted.begin(), wanted.end(),
                         [&](const Shortcut& s) { return s.id == entry.second.id; }))
            wanted.push_back(entry.second);
    }
    // Each pass registers in an order of its own: the same keys are the same request.
    std::sort(wanted.begin(), wanted.end(),
              [](const Shortcut& a, const Shortcut& b) { return a.id < b.id; });
    if (wanted.empty() || wanted == m_bound)
        return;
    if (m_session.isEmpty()) {
        // A session a portal that answered too late still holds does not clash with this one.
        PortalRequest* creating =
            request(QStringLiteral("CreateSession"), {},
                    {{QStringLiteral("session_handle_token"), PortalRequest::token()}});
        connect(creating, &PortalRequest::finished, this, [this, creating] {
            creating->deleteLater();
            m_pending = nullptr;
            // A string by the documentation, an object path from some portals.
            const QVariant handle = creating->results().value(QStringLiteral("session_handle"));
            m_session = handle.userType() == qMetaTypeId<QDBusObjectPath>()
                            ? handle.value<QDBusObjectPath>().path()
                            : handle.toString();
            if (!m_session.isEmpty()) {
                bind();
                return;
            }
            APP_LOG(QStringLiteral("Global shortcuts: the desktop's portal gave no session: %1")
                        .arg(creating->error()));
            // Asked again only for keys registered since: a portal that fails is not pressed.
            if (std::exchange(m_changed_meanwhile, false))
                bind();
        });
        return;
    }
    QList<PortalShortcut> asked;
    for (const Shortcut& shortcut : wanted) {
        QVariantMap properties{{QStringLiteral("description"), shortcut.description}};
        if (!shortcut.trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), shortcut.trigger);
        asked << PortalShortcut{shortcut.id, properties};
    }
    PortalRequest* binding =
        request(QStringLiteral("BindShortcuts"), {QVariant::fromValue(QDBusObjectPath(m_session)),
                                                  QVariant::fromValue(asked), QString()});
    // What was asked is not asked again, answered or not: a portal that refuses is not pressed.
    m_bound = wanted;
    connect(binding, &PortalRequest::finished, this, [this, binding, wanted] {
        binding->deleteLater();
        m_pending = nullptr;
        if (!binding->error().isEmpty()) {
            APP_LOG(QStringLiteral("Global shortcuts: %1").arg(binding->error()));
        } else {
            QStringList bound;
            QList<PortalShortcut> answered;
            const QVariant shortcuts = binding->results().value(QStringLiteral("shortcuts"));
            if (shortcuts.canConvert<QDBusArgument>())
                answered = qdbus_cast<QList<PortalShortcut>>(shortcuts.value<QDBusArgument>());
            for (const PortalShortcut& shortcut : answered)
                bound << shortcut.id + QLatin1Char('=') +
                             shortcut.properties.value(QStringLiteral("trigger_description"))
                                 .toString();
            APP_LOG(QStringLiteral("Global shortcuts: the desktop bound %1 of %2: %3")
                        .arg(answered.size())
                        .arg(wanted.size())
                        .arg(bound.join(QStringLiteral(", "))));
        }
        bind();
    });
}

void PortalGlobalHotkeys::on_activated(const QDBusObjectPath& session, const QString& shortcut,
                                       qulonglong, const QVariantMap&) {
    if (session.path() != m_session)
        return;
    // Collected first: an action may unregister keys (the shortcut settings do).
    std::vector<int> ids;
    for (const auto& entry : m_registered) {
        if (entry.second.id == shortcut)
            ids.push_back(entry.first);
    }
    for (const int id : ids)
        emit activated(id);
}
