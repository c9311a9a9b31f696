#pragma once

#include <QAbstractScrollArea>
#include <QModelIndex>

class QAbstractItemModel;

// A list of one-line rows of equal height that only ever looks at the rows on screen, so a
// million rows cost no more to show, reset or extend than twenty. QListView lays out every row
// again on each change, which at that size takes longer than a keystroke may.
class AutocompleteListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit AutocompleteListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return m_model; }
    QModelIndex currentIndex() const;
    void setCurrentIndex(const QModelIndex& index);
    int row_height() const;
    int row_at(const QPoint& viewport_pos) const;
    void scroll_to(int row);

signals:
    void activated(const QModelIndex& index);
    void entered(const QModelIndex& index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int row_count() const;
    int visible_rows() const;
    void update_scroll_range();
    void rows_changed();

    QAbstractItemModel* m_model = nullptr;
    int m_current = -1;
    int m_hovered = -1;
};
