#pragma once

#include <QVector>

// Which entries of the text history their source marked secret. A plain string cannot carry
// the mark, so it is kept beside the list, index for index: whatever inserts, removes or moves
// a text entry does the same here. An index the marks do not reach is not secret.
class SecretMarks {
public:
    void insert(int index, bool secret);
    void remove(int index);
    void move(int from, int to);
    void clear() { m_marks.clear(); }
    bool is_secret(int index) const;

private:
    QVector<bool> m_marks;
};
