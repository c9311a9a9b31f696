#include "shortcuts/HotkeyProcessor.h"

#include "platform/KeyState.h"
#include "platform/VirtualKeys.h"
#include "shortcuts/QHotkey.h"
#include "shortcuts/ShortcutTable.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QDebug>

namespace {
// Rows in the order they are first registered.
const int creation_order[HotkeyProcessor::row_count] = {0,  1,  2,  3,  4,  5, 6, 10, 11,
                                                        12, 13, 14, 16, 17, 7, 8, 9,  15};
} // namespace

HotkeyProcessor::HotkeyProcessor(const ShortcutsDialog& sequences, const KeyState& keys,
                                 GlobalHotkeys& hotkeys)
    : QObject(nullptr), m_sequences(sequences), m_keys(keys), m_global_hotkeys(hotkeys) {
    create_shortcuts();
}

HotkeyProcessor::~HotkeyProcessor() {
    for (QHotkey* hotkey : m_hotkeys)
        delete hotkey;
}

void HotkeyProcessor::create_shortcuts() {
    qDebug().noquote() << "----\nCREATING SHORTCUTS\n----";
    for (int row : creation_order) {
        m_hotkeys[size_t(row)] = new QHotkey(m_global_hotkeys);
        const ShortcutTable::Entry& entry = *ShortcutTable::entry(row);
        m_hotkeys[size_t(row)]->setAction(
            {QLatin1String(entry.key), QString::fromUtf8(entry.label)});
        register_row(row);
        connect_row(row);
    }
}

void HotkeyProcessor::update_shortcuts() {
    qDebug().noquote() << "----\nUPDATING SHORTCUTS\n----";
    for (int row = 0; row < row_count; ++row) {
        register_row(row);
        connect_row(row);
    }
}

void HotkeyProcessor::disconnect_shortcuts() {
    qDebug().noquote() << "----\nDISCONNECTING SHORTCUTS\n----";
    for (QHotkey* hotkey : m_hotkeys)
        hotkey->setShortcut(QKeySequence(QString()), true);
    for (QMetaObject::Connection& connection : m_connections) {
        QObject::disconnect(connection);
        connection = {};
    }
}

void HotkeyProcessor::register_row(int row) {
    const QString text = m_sequences.sequence(row);
    QKeySequence sequence(text, QKeySequence::NativeText);
    // Text that does not parse gives Key_unknown; such a row gets no hotkey.
    for (int i = 0; i < sequence.count(); ++i) {
        if ((sequence[uint(i)] & ~Qt::KeyboardModifierMask) == Qt::Key_unknown) {
            qDebug().noquote() << "Shortcut does not parse:" << text;
            sequence = QKeySequence();
            break;
        }
    }
    m_hotkeys[size_t(row)]->setShortcut(sequence, true);
}

void HotkeyProcessor::connect_row(int row) {
    // One connection per row, however often the passes run.
    QObject::disconnect(m_connections[size_t(row)]);
    m_connections[size_t(row)] = connect(m_hotkeys[size_t(row)], &QHotkey::activated, this,
                                         [this, row] { emit signal_shortcut(row); });
}

void HotkeyProcessor::handle_key_pressed(int virtual_key) {
    // Print alone is swallowed while the feature is on, so it must act too.
    if (virtual_key == VirtualKeys::PrintScreen) {
        emit signal_print_screen();
        return;
    }
    if (!m_keys.is_key_down(VirtualKeys::Control))
        return;
    const bool shift = m_keys.is_key_down(VirtualKeys::Shift);

    switch (virtual_key) {
    case VirtualKeys::C:
        emit signal_copy();
        break;
    case VirtualKeys::X:
        emit signal_cut();
        break;
    case VirtualKeys::V:
        if (!shift)
            emit signal_paste();
        break;
    default:
        break;
    }
    if (virtual_key == VirtualKeys::B && m_keys.is_key_down(VirtualKeys::Alt))
        emit signal_special_paste();
}
