#pragma once

#include "clipboard/SecretMarks.h"

#include <QList>
#include <QStringList>

class QMimeData;
class QTemporaryDir;

// The two histories and the paste position. Plain data; ClipboardHistory is what changes it.
// Only the list the rich-text setting selects is in use; the other stays empty.
struct HistoryState {
    QStringList m_corvana_clipboard_text_history;
    // The history owns these copies.
    QList<QMimeData*> m_corvana_clipboard_mime_data_history;
    int m_current_clipboard_history_position = -1;
    bool m_position_locked = false;
    int m_saved_position = -1;
    // Text-history entries their source marked secret: queued, never stored, shown masked.
    SecretMarks m_secret_marks;
    // The run's folder for file snapshots, removed at exit.
    QTemporaryDir* m_temp_dir = nullptr;
};
