#pragma once

#include <QObject>

class QWidget;

struct AppSettings;
class ClipboardHistory;
class HistoryDialog;
class HistoryMenu;
class ImageViewer;
class MimeDataCopier;

// The history popup at work: its rows edit the history, a row pointed at previews its picture.
// Owns the popup, its preview and the History page of the main window.
class HistoryPopup : public QObject {
    Q_OBJECT
public:
    HistoryPopup(HistoryDialog* dialog, ClipboardHistory& history, const AppSettings& settings,
                 MimeDataCopier& copier, QWidget* page_parent);
    ~HistoryPopup() override;

    HistoryDialog* dialog() const { return m_dialog; }
    ImageViewer* viewer() const { return m_viewer; }
    HistoryMenu* menu() const { return m_menu; }

    void close();
    void preview_row(int row);
    // Locks on the current row, or unlocks; returns whether it is locked now.
    bool toggle_lock();
    void move_row(int from_row, int to_row);
    void delete_row(int row);

private:
    HistoryDialog* m_dialog;
    ImageViewer* m_viewer;
    HistoryMenu* m_menu;
    ClipboardHistory& m_history;
    const AppSettings& m_settings;
    MimeDataCopier& m_copier;
};
