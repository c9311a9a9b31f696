#include "X11TargetList.h"

#include <QSet>

#include <algorithm>
#include <cstring>

X11TargetList::Listed X11TargetList::parse(const QByteArray& reply,
                                           const QVector<quint32>& always_kept) {
    Listed result;
    result.listed = reply.size() / int(sizeof(quint32));
    const int looked_at = std::min(result.listed, max_targets);
    result.dropped = result.listed - looked_at;
    QSet<quint32> seen;
    seen.reserve(looked_at);
    const auto at = [&reply](int i) {
        quint32 atom = 0;
        std::memcpy(&atom, reply.constData() + i * int(sizeof atom), sizeof atom);
        return atom;
    };
    for (int i = 0; i < looked_at; ++i) {
        const quint32 atom = at(i);
        if (atom == 0 || seen.contains(atom))
            continue;
        seen.insert(atom);
        result.atoms.append(atom);
    }
    // Comparing numbers costs no name lookup, so the whole tail is searched for these.
    if (result.dropped > 0 && !always_kept.isEmpty()) {
        for (int i = looked_at; i < result.listed; ++i) {
            const quint32 atom = at(i);
            if (atom != 0 && always_kept.contains(atom) && !seen.contains(atom)) {
                seen.insert(atom);
                result.atoms.append(atom);
            }
        }
    }
    return result;
}

X11TargetList::Offered X11TargetList::offered(const QVector<quint32>& atoms,
                                              const QVector<QString>& names) {
    Offered result;
    QHash<QString, quint32> texts;
    for (int i = 0; i < atoms.size() && i < names.size(); ++i) {
        const QString& name = names[i];
        if (name.isEmpty() || name.size() > max_name_length || is_protocol_target(name))
            continue;
        if (text_targets().contains(name)) {
            if (!texts.contains(name))
                texts.insert(name, atoms[i]);
            continue;
        }
        if (!result.targets.contains(name)) {
            result.targets.insert(name, atoms[i]);
            result.formats.append(name);
        }
    }
    for (const QString& name : text_targets()) {
        if (texts.contains(name)) {
            result.targets.insert(QStringLiteral("text/plain"), texts.value(name));
            result.formats.prepend(QStringLiteral("text/plain"));
            break;
        }
    }
    return result;
}

bool X11TargetList::is_protocol_target(const QString& name) {
    static const QSet<QString> names = {
        QStringLiteral("TARGETS"),
        QStringLiteral("MULTIPLE"),
        QStringLiteral("TIMESTAMP"),
        QStringLiteral("SAVE_TARGETS"),
        QStringLiteral("DELETE"),
        QStringLiteral("INSERT_SELECTION"),
        QStringLiteral("INSERT_PROPERTY"),
        QStringLiteral("CLIPBOARD_MANAGER"),
        QStringLiteral("_QT_SELECTION"),
        QStringLiteral("_GTK_SELECTION_ATOM"),
        QStringLiteral("ATOM_PAIR"),
        QStringLiteral("LENGTH"),
        QStringLiteral("CLIENT_WINDOW"),
        QStringLiteral("HOST_NAME"),
        QStringLiteral("USER"),
        QStringLiteral("PROCESS"),
        QStringLiteral("TASK"),
        QStringLiteral("OWNER_OS"),
        QStringLiteral("NAME"),
        QStringLiteral("CLASS"),
    };
    return names.contains(name);
}

const QStringList& X11TargetList::text_targets() {
    static const QStringList names = {
        QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain;charset=utf-8"),
        QStringLiteral("text/plain"),  QStringLiteral("STRING"),
        QStringLiteral("TEXT"),        QStringLiteral("COMPOUND_TEXT"),
    };
    return names;
}
