#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QVector>

// An owner's answer to TARGETS, taken apart without the X server: the atoms worth naming, and
// from their names the formats on offer. An owner may list millions of atoms and each unknown
// one costs the server a name lookup, so only the start of a list is looked at.
class X11TargetList {
public:
    // Entries looked at. Programs offer a few dozen formats, and each one kept may cost the
    // capture a round trip to the owner: a longer list is an owner that misbehaves, and its
    // tail is dropped (the caller logs it).
    static constexpr int max_targets = 1024;
    // Longest format name kept: a MIME type has at most 255 characters.
    static constexpr int max_name_length = 255;

    struct Listed {
        QVector<quint32> atoms; // distinct, without None, in the order listed
        int listed = 0;         // atoms in the answer
        int dropped = 0;        // entries past max_targets, not looked at
    };
    // reply: the answer's bytes, 32-bit atoms in the host's order; a stray tail is ignored.
    // Atoms in always_kept are kept wherever they are listed: a secret's mark or the text put
    // after a thousand others must not be lost to the cut.
    static Listed parse(const QByteArray& reply, const QVector<quint32>& always_kept = {});

    struct Offered {
        QStringList formats;             // "text/plain" first when any text encoding is offered
        QHash<QString, quint32> targets; // format -> the atom it is read from
    };
    // names[i] is the name of atoms[i]; an empty name (unknown, too long) offers nothing.
    static Offered offered(const QVector<quint32>& atoms, const QVector<QString>& names);

    // Targets of the selection protocol itself, not content.
    static bool is_protocol_target(const QString& name);
    // The text encodings, best first; all of them are offered as one "text/plain".
    static const QStringList& text_targets();
};
