#include "X11AtomNames.h"

#include <algorithm>

X11AtomNames::X11AtomNames(int capacity) : m_generation(std::max(1, capacity / 2)) {}

bool X11AtomNames::find(quint32 atom, QString* name) {
    const auto recent = m_recent.constFind(atom);
    if (recent != m_recent.constEnd()) {
        *name = *recent;
        return true;
    }
    const auto older = m_older.find(atom);
    if (older == m_older.end())
        return false;
    *name = *older;
    m_older.erase(older);
    insert(atom, *name);
    return true;
}

void X11AtomNames::insert(quint32 atom, const QString& name) {
    if (!m_recent.contains(atom) && m_recent.size() >= m_generation) {
        m_older = std::move(m_recent);
        m_recent = QHash<quint32, QString>();
    }
    m_older.remove(atom);
    m_recent.insert(atom, name);
}

void X11AtomNames::clear() {
    m_recent.clear();
    m_older.clear();
}
