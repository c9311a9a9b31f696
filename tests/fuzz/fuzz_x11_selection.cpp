// What a clipboard owner on X11 answers, taken apart as the reader does without a server: a
// TARGETS list (little-endian atoms), a name for each atom it looks at, the names remembered
// within their bound, then an answer in one property or in parts, held to a budget.
// Input: budget (2 bytes), list length (2), list; per atom a name: a byte below 16 picks a
// telling name, a larger one is the length (minus 16) of raw bytes that follow; then the
// answer: a byte (odd: in parts), and per property a length (2), bytes, and bytes held back (1).
#include "FuzzSupport.h"
#include "platform/x11/X11AtomNames.h"
#include "platform/x11/X11TargetList.h"
#include "platform/x11/X11TransferBuffer.h"

#include <QSet>
#include <QtEndian>
#include <algorithm>

namespace {
struct Input {
    const QByteArray& bytes;
    int at = 0;
    int byte() { return at < bytes.size() ? quint8(bytes[at++]) : 0; }
    int u16() {
        const int low = byte();
        return low | byte() << 8;
    }
    QByteArray take(int length) {
        const QByteArray part = bytes.mid(at, length);
        at += part.size();
        return part;
    }
};

QString telling_name(int pick) {
    static const QStringList names = [] {
        QStringList list = QStringLiteral(",TARGETS,MULTIPLE,UTF8_STRING,STRING,text/plain,text/"
                                          "plain;charset=utf-8,COMPOUND_TEXT,text/html,image/png,"
                                          "x-kde-passwordManagerHint,application/x-qt-image,"
                                          "TIMESTAMP,SAVE_TARGETS")
                               .split(',');
        // Names at the length limit and one past it, as 11 and 12.
        list.insert(11, QString(X11TargetList::max_name_length + 1, 'n'));
        list.insert(11, QString(X11TargetList::max_name_length, 'n'));
        return list;
    }();
    return names.value(pick);
}

void check_targets(const QByteArray& reply, Input& in) {
    const int entries = reply.size() / 4;
    // Atoms the reader always wants, whatever their place: here STRING and the list's last.
    QVector<quint32> always_kept{31};
    if (entries > 0)
        always_kept.append(qFromLittleEndian<quint32>(reply.constData() + 4 * (entries - 1)));
    const X11TargetList::Listed listed = X11TargetList::parse(reply, always_kept);
    const int looked_at = std::min(entries, X11TargetList::max_targets);
    FUZZ_CHECK(listed.listed == entries && listed.dropped == entries - looked_at);
    QSet<quint32> in_reach;
    for (int i = 0; i < entries; ++i) {
        const quint32 atom = qFromLittleEndian<quint32>(reply.constData() + 4 * i);
        if (atom != 0 && (i < looked_at || always_kept.contains(atom)))
            in_reach.insert(atom);
    }
    // Every atom within reach once, nothing else.
    FUZZ_CHECK(listed.atoms.size() == in_reach.size());
    for (const quint32 atom : listed.atoms)
        FUZZ_CHECK(in_reach.contains(atom));

    QVector<QString> names;
    X11AtomNames remembered(16);
    for (const quint32 atom : listed.atoms) {
        const int pick = in.byte();
        names.append(pick < 16 ? telling_name(pick) : QString::fromLatin1(in.take(pick - 16)));
        remembered.insert(atom, names.last());
        QString found;
        FUZZ_CHECK(remembered.find(atom, &found) && found == names.last());
        FUZZ_CHECK(remembered.size() <= 16);
    }
    // Whatever is still remembered is what was given for that atom.
    for (int i = 0; i < names.size(); ++i) {
        QString found;
        FUZZ_CHECK(!remembered.find(listed.atoms[i], &found) || found == names[i]);
    }

    const X11TargetList::Offered offered = X11TargetList::offered(listed.atoms, names);
    FUZZ_CHECK(offered.formats.size() == offered.targets.size());
    FUZZ_CHECK(QSet<QString>(offered.formats.begin(), offered.formats.end()).size() ==
               offered.formats.size());
    const QStringList& texts = X11TargetList::text_targets();
    const auto best_text =
        std::find_first_of(texts.begin(), texts.end(), names.begin(), names.end());
    // Nothing a program could paste is lost.
    FUZZ_CHECK((best_text != texts.end()) ==
               offered.targets.contains(QStringLiteral("text/plain")));
    for (const QString& name : names) {
        if (!name.isEmpty() && name.size() <= X11TargetList::max_name_length &&
            !X11TargetList::is_protocol_target(name) && !texts.contains(name))
            FUZZ_CHECK(offered.targets.contains(name));
    }
    for (int i = 0; i < offered.formats.size(); ++i) {
        const QString& format = offered.formats[i];
        const bool text = i == 0 && format == QLatin1String("text/plain");
        FUZZ_CHECK(!format.isEmpty() && format.size() <= X11TargetList::max_name_length);
        FUZZ_CHECK(!X11TargetList::is_protocol_target(format) && (text || !texts.contains(format)));
        // Offered as an atom of that name; text as the best of the text targets named.
        const int named = listed.atoms.indexOf(offered.targets.value(format));
        FUZZ_CHECK(names.value(named) == (text ? *best_text : format));
    }
}

void check_transfer(qint64 budget, Input& in) {
    X11TransferBuffer buffer(budget);
    const bool parts = in.byte() & 1;
    if (parts)
        buffer.expect_parts();
    QByteArray sent;
    bool over = false;
    while (in.at < in.bytes.size() && buffer.state() == X11TransferBuffer::State::Reading) {
        // The reader asks for more than the room left, so that too much shows.
        FUZZ_CHECK(qint64(buffer.request_units()) * 4 > budget - buffer.bytes().size());
        const QByteArray part = in.take(in.u16());
        const quint32 held_back = quint32(in.byte());
        sent += part;
        over = over || held_back > 0 || sent.size() > budget;
        const X11TransferBuffer::State state = buffer.add(part.constData(), part.size(), held_back);
        if (over) {
            FUZZ_CHECK(state == X11TransferBuffer::State::TooLarge && buffer.bytes().isEmpty());
        } else {
            FUZZ_CHECK(buffer.bytes() == sent);
            const bool last = !parts || part.isEmpty();
            FUZZ_CHECK(state ==
                       (last ? X11TransferBuffer::State::Done : X11TransferBuffer::State::Reading));
        }
    }
    // Once decided, a transfer takes no more.
    const X11TransferBuffer::State decided = buffer.state();
    if (decided != X11TransferBuffer::State::Reading) {
        const QByteArray kept = buffer.bytes();
        FUZZ_CHECK(buffer.add("x", 1, 0) == decided && buffer.bytes() == kept);
    }
}
} // namespace

void fuzz_one(const QByteArray& input) {
    Input in{input};
    const qint64 budget = in.u16();
    const QByteArray reply = in.take(in.u16());
    check_targets(reply, in);
    check_transfer(budget, in);
}
