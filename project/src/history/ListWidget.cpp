#include "history/ListWidget.h"

#include <QDragMoveEvent>
#include <QEvent>

ListWidget::ListWidget(QWidget* parent) : QListWidget(parent) {
    installEventFilter(this);
    connect(this, &QListWidget::itemPressed, this, &ListWidget::slot_item_was_pressed);
}

void ListWidget::slot_item_was_pressed() {
    m_item_was_pressed = true;
    m_pressed_row = currentRow();
}

void ListWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (m_item_was_pressed)
        m_item_was_moved = true;
    // The base class decides where the drop indicator goes and whether a drop is allowed here.
    QListWidget::dragMoveEvent(event);
}

bool ListWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::Enter && m_item_was_pressed &&
        m_item_was_moved) {
        emit signal_item_pos_changed(m_pressed_row, currentRow());
        m_item_was_pressed = false;
        m_item_was_moved = false;
    }
    return QListWidget::eventFilter(watched, event);
}
