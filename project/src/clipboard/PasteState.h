#pragma once

#include <QString>

// What the next clipboard change means, and where the template paste is in its table.
struct PasteState {
    bool m_ignore_next_clipboard_change = false;
    bool m_paste_on_next_clipboard_change = false;
    // Template paste state, restarted by every copy.
    int m_template_row_counter = 0;
    QString m_template_table_text;
    bool m_template_table_secret = false; // its rows are secret too
};
