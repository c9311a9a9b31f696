#include "clipboard/SecretMarks.h"

void SecretMarks::insert(int index, bool secret) {
    if (index < 0)
        return;
    if (index > m_marks.size())
        m_marks.resize(index); // entries added without a mark are not secret
    m_marks.insert(index, secret);
}

void SecretMarks::remove(int index) {
    if (index >= 0 && index < m_marks.size())
        m_marks.remove(index);
}

void SecretMarks::move(int from, int to) {
    const bool secret = is_secret(from);
    remove(from);
    insert(to, secret);
}

bool SecretMarks::is_secret(int index) const {
    return index >= 0 && index < m_marks.size() && m_marks.at(index);
}
