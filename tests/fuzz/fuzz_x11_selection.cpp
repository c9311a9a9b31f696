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

#include <QHash>
#include <QSet>
#include <QtEndian>
#include <map>

namespace {
class Input {
public:
    explicit Input(const QByteArray& bytes) : m_bytes(bytes) {}
    int byte() { return m_at < m_bytes.size() ? quint8(m_bytes[m_at++]) : 0; }
    int u16() {
        const int low = byte();
        return low | byte() << 8;
    }
    QByteArray take(int length) {
        const QByteArray part = m_bytes.mid(m_at, length);
        m_at += part.size();
        return part;
    }
    bool done() const { return m_at >= m_bytes.size(); }

private:
    const QByteArray& m_bytes;
    int m_at = 0;
};

QString telling_name(int pick) {
    static const QStringList names = {
        QString(),
        QStringLiteral("TARGETS"),
        QStringLiteral("MULTIPLE"),
        QStringLiteral("UTF8_STRING"),
        QStringLiteral("STRING"),
        QStringLiteral("text/plain"),
        QStringLiteral("text/plain;charset=utf-8"),
        QStringLiteral("COMPOUND_TEXT"),
        QStringLiteral("text/html"),
        QStringLiteral("image/png"),
        QStringLiteral("x-kde-passwordManagerHint"),
        QString(X11TargetList::max_name_length, QLatin1Char('n')),
        QString(X11TargetList::max_name_length + 1, QLatin1Char('n')),
        QStringLiteral("application/x-qt-image"),
        QStringLiteral("TIMESTAMP"),
        QStringLiteral("SAVE_TARGETS"),
    };
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
    std::map<quint32, QString> truth;
    for (const quint32 atom : listed.atoms) {
        const int pick = in.byte();
        names.append(pick < 16 ? telling_name(pick) : QString::fromLatin1(in.take(pick - 16)));
        remembered.insert(atom, names.last());
        truth[atom] = names.last();
        QString found;
        FUZZ_CHECK(remembered.find(atom, &found) && found == names.last());
        FUZZ_CHECK(remembered.size() <= 16);
    }
    // Whatever is still remembered is what was given last for that atom.
    for (const auto& [atom, name] : truth) {
        QString found;
        if (remembered.find(atom, &found))
            FUZZ_CHECK(found == name);
        FUZZ_CHECK(remembered.size() <= 16);
    }

    const X11TargetList::Offered offered = X11TargetList::offered(listed.atoms, names);
    FUZZ_CHECK(offered.formats.size() == offered.targets.size());
    FUZZ_CHECK(QSet<QString>(offered.formats.begin(), offered.formats.end()).size() ==
               offered.formats.size());
    QHash<QString, int> first_named;
    for (int i = names.size() - 1; i >= 0; --i)
        first_named.insert(names[i], i);
    const QStringList& texts = X11TargetList::text_targets();
    QString best_text;
    for (const QString& text : texts) {
        if (first_named.contains(text)) {
            best_text = text;
            break;
        }
    }
    for (int i = 0; i < offered.formats.size(); ++i) {
        const QString& format = offered.formats[i];
        FUZZ_CHECK(!format.isEmpty() && format.size() <= X11TargetList::max_name_length);
        FUZZ_CHECK(!X11TargetList::is_protocol_target(format));
        const int named =
            first_named.value(format == QLatin1String("text/plain") ? best_text : format, -1);
        FUZZ_CHECK(named >= 0 && offered.targets.value(format) == listed.atoms[named]);
        if (format == QLatin1String("text/plain"))
            FUZZ_CHECK(i == 0);
        else
            FUZZ_CHECK(!texts.contains(format));
    }
    // Nothing a program could paste is lost.
    FUZZ_CHECK(best_text.isEmpty() != offered.targets.contains(QStringLiteral("text/plain")));
    for (const QString& name : names) {
        if (!name.isEmpty() && name.size() <= X11TargetList::max_name_length &&
            !X11TargetList::is_protocol_target(name) && !texts.contains(name))
            FUZZ_CHECK(offered.targets.contains(name));
    }
}

void check_transfer(qint64 budget, Input& in) {
    X11TransferBuffer buffer(budget);
    const bool parts = in.byte() & 1;
    if (parts)
        buffer.expect_parts();
    QByteArray sent;
    bool over = false;
    while (!in.done() && buffer.state() == X11TransferBuffer::State::Reading) {
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
    Input in(input);
    const qint64 budget = in.u16();
    const QByteArray reply = in.take(in.u16());
    check_targets(reply, in);
    check_transfer(budget, in);
}
