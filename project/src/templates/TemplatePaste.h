#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

class App;

// The special paste: each press fills the active template with the next row of the copied table
// and pastes it.
//
// The filled row joins the history, and the synthesized Ctrl+V that follows comes back through
// the keyboard hook, on some desktops only later from the event loop. Until it does, the row
// waits here, and the paste engine serves it in place of the entry at the position.
class TemplatePaste : public QObject {
    Q_OBJECT
public:
    static constexpr int pending_timeout_ms = 2000;

    explicit TemplatePaste(App* app);

    // One press with template_text as the active template.
    void press(const QString& template_text);

    // Called by the paste engine at each Ctrl+V: true when a filled row was waiting and is now on
    // the clipboard, the position having moved as for any paste.
    bool serve_pending();
    int pending_count() const { return m_pending.size(); }

    // Rows of the table, found and cut without splitting it whole at every press.
    bool has_row(const QString& table, int index);
    int row_count(const QString& table);
    QString row(const QString& table, int index);

private:
    bool take_table();
    void drop_expired();

    struct Pending {
        QString text;
        qint64 deadline;
    };

    App* m_app;
    QList<Pending> m_pending;
    QElapsedTimer m_clock;
    QTimer m_expiry;
    QString m_indexed_table;
    QVector<int> m_line_ends;
    int m_scan_from = 0;
};
