#include "shortcuts/ShortcutsDialog.h"

#include "app/App.h"

namespace {
struct Row {
    const char* label;
    const char* sequence;
};

const Row rows[ShortcutsDialog::row_count] = {
    {"Switch paste order", "Ctrl+Alt+/"},
    {"Pause or resume Corvana", "Ctrl+Alt+0"},
    {"Rich Text Copy", "Ctrl+Alt+9"},
    {"Clipboard Undo", "Ctrl+Alt+<"},
    {"Clipboard Redo", "Ctrl+Alt+>"},
    {"Clear History", "Ctrl+Alt+Shift+H"},
    {"Open History Dialog", "Ctrl+Alt+H"},
    {"Clipboard undo with Arrow", "Ctrl+Alt+Left"},
    {"Clipboard redo with Arrow", "Ctrl+Alt+Right"},
    {"Show Debug Info", "Ctrl+Alt+D"},
    {"Open Autocomplete", "Ctrl+Alt+Space"},
    {"Lock Current Position", "Ctrl+\\"},
    {"Toggle Note", "Ctrl+Alt+N"},
    {"Print Screen", "Ctrl+Alt+P"},
    {"Toggle status indicator more", "Ctrl+Alt+T"},
    {"Special Paste", "Ctrl+Shift+V"},
    {"Live Zoom", "Ctrl+1"},
    {"Zoom /w pen", "Ctrl+2"},
};
} // namespace

ShortcutsDialog::ShortcutsDialog(App* app) : QDialog(app, Qt::Window), m_app(app) {
    for (const Row& row : rows)
        m_sequences.append(QString::fromLatin1(row.sequence));
}

QString ShortcutsDialog::label(int row) {
    return row >= 0 && row < row_count ? QString::fromLatin1(rows[row].label) : QString();
}

QString ShortcutsDialog::default_sequence(int row) {
    return row >= 0 && row < row_count ? QString::fromLatin1(rows[row].sequence) : QString();
}

void ShortcutsDialog::set_sequence(int row, const QString& sequence) {
    if (row >= 0 && row < row_count)
        m_sequences[row] = sequence;
}
