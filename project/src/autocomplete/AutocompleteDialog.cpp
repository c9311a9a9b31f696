#include "autocomplete/AutocompleteDialog.h"

#include "autocomplete/AutocompleteListView.h"
#include "autocomplete/AutocompleteModel.h"
#include "common/AppLog.h"
#include "common/UiScale.h"
#include "history/ImageViewer.h"
#include "history/PopupPlacement.h"
#include "platform/ActiveWindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
QPushButton* icon_button(QWidget* parent, const char* name, const char* icon) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    if (icon) {
        button->setIcon(QIcon(QString::fromLatin1(icon)));
        button->setIconSize(UiScale::size(25, 25));
        button->setMaximumSize(UiScale::size(25, 25));
    }
    return button;
}

// Log lines quote at most this much of a typed search.
QString quoted(const QString& text) {
    constexpr int limit = 200;
    return text.size() <= limit ? text : text.left(limit) + QStringLiteral("...");
}
} // namespace

AutocompleteDialog::AutocompleteDialog(AutocompleteStore& store, ActiveWindow& active_window,
                                       QWidget* parent)
    : QDialog(parent), m_store(store), m_active_window(active_window) {
    init_layout();
    hide();
    installEventFilter(this);
    setWindowTitle(QStringLiteral("Autocomplete"));
    m_model = new AutocompleteModel(&m_store, this);
    m_list_widget->setModel(m_model);
    init_connects();
    update_count_label();
    show_all_entries();
}

AutocompleteDialog::~AutocompleteDialog() = default;

void AutocompleteDialog::init_layout() {
    setObjectName(QStringLiteral("AutocompleteDialog"));
    resize(UiScale::size(400, 300));
    setWindowTitle(QStringLiteral("Dialog"));

    m_button_history = icon_button(this, "pushButton", ":/images/history.png");
    m_button_history->setToolTip(QStringLiteral("Open History"));
    m_button_delete = icon_button(this, "pushButton_2", ":/images/delete.png");
    m_button_delete->setToolTip(QStringLiteral("Delete every entry equal to the selected one"));
    m_button_unused = icon_button(this, "pushButton_3", nullptr);
    m_button_unused->setEnabled(false);
    m_button_unused->setMaximumSize(UiScale::size(25, 25));

    auto* left = new QVBoxLayout;
    left->setObjectName(QStringLiteral("verticalLayout_2"));
    left->addWidget(m_button_history);
    left->addWidget(m_button_delete);
    left->addWidget(m_button_unused);
    left->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("label"));
    m_line_edit = new QLineEdit(this);
    m_line_edit->setObjectName(QStringLiteral("lineEdit"));
    m_line_edit->setPlaceholderText(QStringLiteral("Type to search (case-sensitive)"));
    m_line_edit->installEventFilter(this);
    auto* search_row = new QHBoxLayout;
    search_row->setObjectName(QStringLiteral("horizontalLayout"));
    search_row->setSpacing(0);
    search_row->setContentsMargins(0, 0, 0, 0);
    search_row->addWidget(m_line_edit);

    m_list_widget = new AutocompleteListView(this);
    m_list_widget->setObjectName(QStringLiteral("listWidget"));
    m_list_widget->setAttribute(Qt::WA_MouseTracking);

    auto* right = new QVBoxLayout;
    right->setObjectName(QStringLiteral("verticalLayout"));
    right->setSpacing(2);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_label);
    right->addLayout(search_row);
    right->addWidget(m_list_widget);

    // A little air: with no margins at all the label and the buttons touch the frame.
    m_columns = new QHBoxLayout(this);
    m_columns->setObjectName(QStringLiteral("horizontalLayout_2"));
    m_columns->setContentsMargins(4, 4, 4, 4);
    m_columns->setSpacing(4);
    m_columns->addLayout(left);
    m_columns->addLayout(right);
}

void AutocompleteDialog::init_connects() {
    connect(m_line_edit, &QLineEdit::textChanged, this, &AutocompleteDialog::input_changed);
    connect(m_line_edit, &QLineEdit::returnPressed, this, [this] {
        // Enter in the search field chooses the selected row, as in the list.
        const QModelIndex current = m_list_widget->currentIndex();
        list_item_activated(current.isValid() ? current : m_model->index(0));
    });
    connect(m_list_widget, &AutocompleteListView::activated, this,
            &AutocompleteDialog::list_item_activated);
    connect(m_list_widget, &AutocompleteListView::entered, this,
            &AutocompleteDialog::list_item_entered);
    connect(m_button_delete, &QPushButton::clicked, this,
            &AutocompleteDialog::slot_delete_selected_element);
    connect(m_button_history, &QPushButton::clicked, this,
            &AutocompleteDialog::signal_open_history);
}

const std::vector<quint32>& AutocompleteDialog::vector_rb() const {
    return m_model->rows();
}

LoadedObject AutocompleteDialog::entry_of_row(int row) const {
    return m_model->entry(row);
}

void AutocompleteDialog::open_or_close() {
    qDebug().noquote() << "\nCalling open_autocomplete_dialog()";
    if (!isHidden()) {
        hide();
        return;
    }
    reload_if_images_changed();
    PopupPlacement::place_popup_at_cursor(this);
    // Opened from a global shortcut: the keyboard is with the window the user is in.
    m_active_window.join_foreground_input();
    show();
    activateWindow();
    setVisible(true);
    raise();
    activateWindow();
    m_line_edit->setFocus(Qt::PopupFocusReason);
}

void AutocompleteDialog::show_all_entries() {
    m_model->set_rows(m_store.search(QString()));
    m_rows_are_search = false;
    select_first_row();
}

void AutocompleteDialog::update_count_label() {
    m_label->setText(QStringLiteral("There are ") + QString::number(m_store.size()) +
                     QStringLiteral(" items in history"));
}

void AutocompleteDialog::select_first_row() {
    if (m_model->rowCount() > 0)
        m_list_widget->setCurrentIndex(m_model->index(0));
}

void AutocompleteDialog::filter(const QString& str, bool narrow) {
    const bool can_narrow =
        narrow && m_rows_are_search && !m_rows_search.isEmpty() && str.contains(m_rows_search);
    std::vector<quint32> rows = m_store.search(str, can_narrow ? &m_model->rows() : nullptr);
    m_model->set_rows(std::move(rows));
    m_rows_search = str;
    m_rows_are_search = true;
    select_first_row();
}

void AutocompleteDialog::input_changed(const QString& str) {
    APP_LOG(QStringLiteral("START input_changed(QString str)"));
    qDebug().noquote() << "str is: " + quoted(str);
    filter(str, true);
    APP_LOG(QStringLiteral("END input_changed(QString str)"));
}

void AutocompleteDialog::list_item_activated(const QModelIndex& index) {
    qDebug() << "Trying to activate";
    if (!index.isValid())
        return;
    const int row = index.row();
    const LoadedObject entry = m_model->entry(row);
    qDebug() << "activated row is: " << row;
    qDebug().noquote() << "type: " + entry.m_type;
    qDebug().noquote() << "text: " + quoted(entry.m_text);
    m_line_edit->clear();
    m_line_edit->setFocus(Qt::OtherFocusReason);
    hide();
    qDebug() << "Emitting signal";
    emit autocomplete_list_item_activated(entry.m_type, entry.m_text);
}

void AutocompleteDialog::list_item_entered(const QModelIndex& index) {
    qDebug() << "Trying to enter";
    qDebug() << "The size of vector_rb is: " << m_model->rows().size();
    if (!index.isValid())
        return;
    const LoadedObject entry = m_model->entry(index.row());
    qDebug() << "Emitting signal";
    emit autocomplete_list_item_entered(entry.m_type, entry.m_text);
}

void AutocompleteDialog::database_insert(const QString& type, const QString& text) {
    APP_LOG(QStringLiteral("START database_insert(QString str)"));
    const int reloads = m_store.reloads();
    if (m_store.insert(type, text)) {
        update_count_label();
        // The rows keep answering the search in the field. Entries another program wrote were
        // read in with this one: every row may have moved.
        const QString search = m_line_edit->text();
        if (m_store.reloads() != reloads)
            filter(search, false);
        else if (search.isEmpty() || text.contains(search))
            m_model->append_row(quint32(m_store.size() - 1));
        if (m_model->rowCount() == 1)
            select_first_row();
    }
    APP_LOG(QStringLiteral("END database_insert(QString str)"));
}

void AutocompleteDialog::delete_history() {
    m_store.clear();
    m_model->set_rows({});
    update_count_label();
    show_all_entries();
}

void AutocompleteDialog::slot_delete_selected_element() {
    APP_LOG(QStringLiteral("START slot_delete_selected_element()"));
    const QModelIndex current = m_list_widget->currentIndex();
    if (m_model->rowCount() == 0 || !current.isValid())
        return;
    const int row = current.row();
    const int removed = m_store.remove_equal(m_model->entry(row).m_text);
    qDebug() << "removed" << removed << "equal entries";
    update_count_label();
    filter(m_line_edit->text(), false);
    if (m_model->rowCount() > 0)
        m_list_widget->setCurrentIndex(m_model->index(qMin(row, m_model->rowCount() - 1)));
    APP_LOG(QStringLiteral("END slot_delete_selected_element()"));
}

void AutocompleteDialog::reload_if_images_changed() {
    if (!m_store.reload_if_images_changed())
        return;
    update_count_label();
    filter(m_line_edit->text(), false);
}

void AutocompleteDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        qDebug() << "Key Escape";
        hide();
    }
    // Nothing else: Enter must not close the popup as a dialog's default button would.
}

void AutocompleteDialog::hideEvent(QHideEvent* event) {
    m_active_window.release_foreground_input();
    QDialog::hideEvent(event);
}

void AutocompleteDialog::leaveEvent(QEvent* event) {
    emit signal_leave_event();
    QDialog::leaveEvent(event);
}

bool AutocompleteDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_line_edit && event->type() == QEvent::KeyPress) {
        // Up and down move through the rows while typing.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(m_list_widget, event);
            return true;
        }
        return false;
    }
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
