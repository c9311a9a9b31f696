#include "autocomplete/AutocompleteListView.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

AutocompleteListView::AutocompleteListView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void AutocompleteListView::setModel(QAbstractItemModel* model) {
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        m_current = -1;
        m_hovered = -1;
        verticalScrollBar()->setValue(0);
        rows_changed();
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, &AutocompleteListView::rows_changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &AutocompleteListView::rows_changed);
    rows_changed();
}

int AutocompleteListView::row_count() const {
    return m_model ? m_model->rowCount() : 0;
}

int AutocompleteListView::row_height() const {
    return fontMetrics().height() + 4;
}

int AutocompleteListView::visible_rows() const {
    return qMax(1, viewport()->height() / row_height());
}

void AutocompleteListView::update_scroll_range() {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, qMax(0, row_count() - visible_rows()));
    bar->setPageStep(visible_rows());
    bar->setSingleStep(1);
}

void AutocompleteListView::rows_changed() {
    if (m_current >= row_count())
        m_current = row_count() - 1;
    update_scroll_range();
    viewport()->update();
}

QModelIndex AutocompleteListView::currentIndex() const {
    return m_model && m_current >= 0 && m_current < row_count() ? m_model->index(m_current, 0)
                                                                : QModelIndex();
}

void AutocompleteListView::setCurrentIndex(const QModelIndex& index) {
    m_current = index.isValid() ? index.row() : -1;
    if (m_current >= 0)
        scroll_to(m_current);
    viewport()->update();
}

void AutocompleteListView::scroll_to(int row) {
    QScrollBar* bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(row);
    else if (row >= bar->value() + visible_rows())
        bar->setValue(row - visible_rows() + 1);
}

int AutocompleteListView::row_at(const QPoint& pos) const {
    const int row = verticalScrollBar()->value() + pos.y() / row_height();
    return pos.y() >= 0 && row < row_count() ? row : -1;
}

void AutocompleteListView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int height = row_height();
    const int first = verticalScrollBar()->value();
    const int last = qMin(row_count(), first + visible_rows() + 1);
    const int width = viewport()->width();
    const QPalette& colours = palette();
    for (int row = first; row < last; ++row) {
        const QRect rect(0, (row - first) * height, width, height);
        const bool current = row == m_current;
        if (current)
            painter.fillRect(rect,
                             colours.brush(hasFocus() || !isActiveWindow() ? QPalette::Active
                                                                           : QPalette::Inactive,
                                           QPalette::Highlight));
        else if (row == m_hovered)
            painter.fillRect(rect, colours.alternateBase());
        painter.setPen(colours.color(current ? QPalette::HighlightedText : QPalette::Text));
        const QString text = m_model->index(row, 0).data(Qt::DisplayRole).toString();
        const QRect text_rect = rect.adjusted(4, 0, -4, 0);
        painter.drawText(text_rect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         fontMetrics().elidedText(text, Qt::ElideRight, text_rect.width()));
    }
}

void AutocompleteListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_range();
}

void AutocompleteListView::scrollContentsBy(int, int) {
    viewport()->update();
}

void AutocompleteListView::keyPressEvent(QKeyEvent* event) {
    const int count = row_count();
    int row = m_current;
    switch (event->key()) {
    case Qt::Key_Up:
        row = qMax(0, row - 1);
        break;
    case Qt::Key_Down:
        row = qMin(count - 1, row + 1);
        break;
    case Qt::Key_PageUp:
        row = qMax(0, row - visible_rows());
        break;
    case Qt::Key_PageDown:
        row = qMin(count - 1, row + visible_rows());
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = count - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentIndex().isValid())
            emit activated(currentIndex());
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (count > 0)
        setCurrentIndex(m_model->index(row, 0));
}

void AutocompleteListView::mousePressEvent(QMouseEvent* event) {
    const int row = row_at(event->pos());
    if (row >= 0)
        setCurrentIndex(m_model->index(row, 0));
}

void AutocompleteListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = row_at(event->pos());
    if (row >= 0)
        emit activated(m_model->index(row, 0));
}

void AutocompleteListView::mouseMoveEvent(QMouseEvent* event) {
    const int row = row_at(event->pos());
    if (row == m_hovered)
        return;
    m_hovered = row;
    viewport()->update();
    if (row >= 0)
        emit entered(m_model->index(row, 0));
}

void AutocompleteListView::leaveEvent(QEvent* event) {
    m_hovered = -1;
    viewport()->update();
    QAbstractScrollArea::leaveEvent(event);
}
