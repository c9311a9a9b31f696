#include "history/HistoryDialog.h"

#include "clipboard/ClipboardHistory.h"
#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "common/UiScale.h"
#include "history/HistoryEditor.h"
#include "history/HistoryRows.h"
#include "history/ListWidget.h"
#include "history/PopupPlacement.h"
#include "platform/ActiveWindow.h"

#include <QDebug>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton* icon_button(QWidget* parent, const char* icon, const QString& tip) {
    auto* button = new QPushButton(parent);
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    button->setIconSize(UiScale::size(25, 25));
    button->setMaximumSize(UiScale::size(25, 25));
    button->setToolTip(tip);
    return button;
}
} // namespace

HistoryDialog::HistoryDialog(App* app, ClipboardHistory& history, const AppSettings& settings,
                             ActiveWindow& active_window, QWidget* parent)
    : QDialog(parent), m_app(app), m_history(history), m_settings(settings),
      m_active_window(active_window) {
    init_layout();
    init_connects();
}

void HistoryDialog::init_layout() {
    setObjectName(QStringLiteral("HistoryDialog"));
    resize(UiScale::size(376, 231));
    setWindowTitle(QStringLiteral("Dialog"));
    setMaximumSize(UiScale::size(400, 400));

    m_button_lock =
        icon_button(this, ":/images/key.png", QStringLiteral("Lock clipboard to selected item"));
    m_button_delete = icon_button(this, ":/images/delete.png",
                                  QStringLiteral("Delete selected item from clipboard history"));
    m_button_autocomplete =
        icon_button(this, ":/images/autocomplete.png", QStringLiteral("Open Autocomplete"));

    m_button_layout = new QVBoxLayout;
    m_button_layout->addWidget(m_button_lock);
    m_button_layout->addWidget(m_button_delete);
    m_button_layout->addWidget(m_button_autocomplete);
    m_button_layout->addSpacing(UiScale::px(250));

    m_list = new ListWidget(this);
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignCenter);

    m_list_layout = new QHBoxLayout;
    m_list_layout->addLayout(m_button_layout);
    m_list_layout->addWidget(m_list);
    m_main_layout = new QVBoxLayout(this);
    m_main_layout->addWidget(m_label);
    m_main_layout->addLayout(m_list_layout);

    hide();
    installEventFilter(this);
    setWindowTitle(QStringLiteral("History Dialog (showing only what's left to paste)"));

    m_list->setAttribute(Qt::WA_MouseTracking);
    m_list->setMouseTracking(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDropIndicatorShown(false);
}

void HistoryDialog::init_connects() {
    connect(m_button_lock, &QPushButton::clicked, this, &HistoryDialog::slot_lock_button_clicked);
    connect(m_button_delete, &QPushButton::clicked, this,
            &HistoryDialog::slot_button_delete_clicked);
    connect(m_list, &QListWidget::itemEntered, this, &HistoryDialog::slot_item_entered);
    connect(m_list, &ListWidget::signal_item_pos_changed, this, &HistoryDialog::signal_row_moved);
    connect(m_button_autocomplete, &QPushButton::clicked, this,
            &HistoryDialog::signal_open_autocomplete);
}

void HistoryDialog::open_or_close() {
    APP_LOG(QStringLiteral("open_history_dialog()"));
    if (isVisible()) {
        qDebug() << "Closing";
        clear_list();
        hide();
        return;
    }
    qDebug() << "Opening";
    clear_list();
    PopupPlacement::place_popup_at_cursor(this);
    const QStringList texts = HistoryEditor::row_texts(m_history, m_settings.m_paste_order);
    if (HistoryRows::is_forward(m_settings.m_paste_order))
        show_order_forward();
    else
        show_order_backward();
    show_lock_state(m_history.locked());
    add_items(texts);
    qDebug().noquote() << QStringLiteral("Opening with %1 rows").arg(texts.size());
    // Opened from a global shortcut: the keyboard is with the window the user is in.
    m_active_window.join_foreground_input();
    setVisible(true);
    activateWindow();
    show();
    raise();
    activateWindow();
}

void HistoryDialog::add_items(const QStringList& texts) {
    // A row shows one line; the whole of a long text would only slow the list down.
    constexpr int shown_chars = 500;
    for (const QString& text : texts) {
        QString shown = text.left(shown_chars);
        shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
        auto* item = new QListWidgetItem(shown, m_list);
        item->setToolTip(QStringLiteral("Click and drag to move"));
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void HistoryDialog::clear_list() {
    m_list->clear();
}

int HistoryDialog::count() const {
    return m_list->count();
}

int HistoryDialog::current_row() const {
    return m_list->currentRow();
}

void HistoryDialog::show_lock_icon_unlocked() {
    m_button_lock->setIcon(QIcon(QStringLiteral(":/images/key.png")));
}

void HistoryDialog::show_lock_icon_locked() {
    m_button_lock->setIcon(QIcon(QStringLiteral(":/images/lock.png")));
}

void HistoryDialog::show_lock_state(bool locked) {
    if (locked)
        show_lock_icon_locked();
    else
        show_lock_icon_unlocked();
}

void HistoryDialog::show_order_backward() {
    m_label->setText(QStringLiteral("Paste order is backward"));
}

void HistoryDialog::show_order_forward() {
    m_label->setText(QStringLiteral("Paste order is forward"));
}

void HistoryDialog::slot_lock_button_clicked() {
    qDebug() << "Calling emit_lock_button_clicked()";
    emit signal_lock_button_clicked();
}

void HistoryDialog::slot_item_entered(QListWidgetItem* item) {
    emit signal_entered_row(m_list->row(item));
}

void HistoryDialog::slot_button_delete_clicked() {
    if (m_list->count() == 0 || m_list->currentRow() < 0)
        return;
    const int row = m_list->currentRow();
    emit signal_delete_row(row);
    delete m_list->takeItem(row);
}

void HistoryDialog::hideEvent(QHideEvent* event) {
    m_active_window.release_foreground_input();
    QDialog::hideEvent(event);
}

void HistoryDialog::leaveEvent(QEvent* event) {
    emit signal_leave_event();
    QDialog::leaveEvent(event);
}

bool HistoryDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this) {
        if (isActiveWindow()) {
            m_was_active = true;
        } else if (m_was_active) {
            m_was_active = false;
            hide();
            emit close_me();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
