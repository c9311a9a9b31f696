#pragma once

#include <QListWidget>

// The history popup's list: rows can be dragged to another place, and the move is reported
// once the drop is over (the pointer entering the list again follows every drop).
class ListWidget : public QListWidget {
    Q_OBJECT
public:
    explicit ListWidget(QWidget* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void signal_item_pos_changed(int from_row, int to_row);

public slots:
    void slot_item_was_pressed();

protected:
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    bool m_item_was_pressed = false;
    bool m_item_was_moved = false;
    int m_pressed_row = -1;
};
