#pragma once

#include <QHash>
#include <QString>

// Names of atoms, remembered within a bound. An atom keeps its name as long as the server
// runs, so a remembered name stays right; but owners may list any number of atoms, so the
// least recently used are forgotten: names live in two generations, and when the newer one
// is full the older one is dropped. A name found in the older one moves to the newer.
class X11AtomNames {
public:
    // capacity: most names held, two generations of half as many each.
    explicit X11AtomNames(int capacity);

    // false when not remembered.
    bool find(quint32 atom, QString* name);
    void insert(quint32 atom, const QString& name);
    int size() const { return m_recent.size() + m_older.size(); }
    void clear();

private:
    int m_generation;
    QHash<quint32, QString> m_recent;
    QHash<quint32, QString> m_older;
};
