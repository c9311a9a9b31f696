#pragma once

#include <QDialog>
#include <QStringList>

class ActiveWindow;
class App;
class ClipboardHistory;
class ListWidget;
class QHBoxLayout;
class QLabel;
class QListWidgetItem;
class QPushButton;
class QVBoxLayout;
struct AppSettings;

// The popup listing what is left to paste, in the order it will be pasted.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    // The rows are history's, in the settings' paste order.
    HistoryDialog(App* app, ClipboardHistory& history, const AppSettings& settings,
                  ActiveWindow& active_window, QWidget* parent = nullptr);

    App* app() const { return m_app; }

    void add_items(const QStringList& texts);
    void clear_list();
    int count() const;
    int current_row() const;
    void show_lock_icon_unlocked();
    void show_lock_icon_locked();
    void show_lock_state(bool locked);
    void show_order_backward();
    void show_order_forward();

    // Opens the popup at the pointer with the current history, or closes it when open.
    void open_or_close();

    ListWidget* list() const { return m_list; }
    QLabel* label() const { return m_label; }
    QPushButton* button_lock() const { return m_button_lock; }
    QPushButton* button_delete() const { return m_button_delete; }
    QPushButton* button_autocomplete() const { return m_button_autocomplete; }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void signal_lock_button_clicked();
    void signal_entered_row(int row);
    void signal_leave_event();
    void close_me();
    void signal_delete_row(int row);
    void signal_row_moved(int from_row, int to_row);
    void signal_open_autocomplete();

public slots:
    void slot_lock_button_clicked();
    void slot_item_entered(QListWidgetItem* item);
    void slot_button_delete_clicked();

protected:
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void init_layout();
    void init_connects();

    App* m_app = nullptr;
    ClipboardHistory& m_history;
    const AppSettings& m_settings;
    ActiveWindow& m_active_window;
    QHBoxLayout* m_list_layout = nullptr;
    QVBoxLayout* m_button_layout = nullptr;
    QVBoxLayout* m_main_layout = nullptr;
    ListWidget* m_list = nullptr;
    QLabel* m_label = nullptr;
    QPushButton* m_button_lock = nullptr;
    QPushButton* m_button_delete = nullptr;
    QPushButton* m_button_autocomplete = nullptr;
    bool m_was_active = false;
};
