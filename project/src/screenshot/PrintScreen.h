#pragma once

#include "screenshot/CaptureCanvas.h"
#include "screenshot/ScreenPhotograph.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QVector>
#include <QWidget>

class Notifier;
class PrintScreenSaveAskDialog;
class PrintScreenToolBox;
class QColorDialog;
class QRubberBand;
class QScreen;
class QTimer;
class QVBoxLayout;
class ScreenCapture;

// The screenshot tool's full-desktop window: the dimmed photograph of every screen, a selected
// area shown undimmed, rectangles drawn on it, and the save. Each capture is a window of its
// own that deletes itself when closed.
class PrintScreen : public QWidget {
    Q_OBJECT
public:
    // What undo goes back to: the selected area and how many rectangles were drawn.
    struct Snapshot {
        QRect selection;
        int rectangles = 0;
    };

    // Photographs every screen.
    explicit PrintScreen(const ScreenPhotograph& photograph, QWidget* parent = nullptr);
    ~PrintScreen() override;

    // A new capture for the Print keys and the settings page; its saves are announced by app.
    // Null when the desktop could not be photographed (app says why).
    static PrintScreen* open_capture(ScreenCapture& capture, Notifier& notifier,
                                     bool automatic_save);

    void set_automatic_save(bool automatic) { m_automatic_save = automatic; }

    // False when the desktop could not be photographed; the window must then not be shown.
    bool has_photograph() const { return !m_clean_pixmap.isNull(); }
    QString photograph_error() const { return m_photograph_error; }

    QRect selection() const { return m_label->selection(); }
    const QVector<CaptureCanvas::Rectangle>& rectangles() const { return m_label->rectangles(); }
    int undo_depth() const { return m_undo_history.size(); }
    QColor rectangle_color() const { return m_rectangle_color; }
    bool rectangle_mode() const { return m_rectangle_mode; }
    CaptureCanvas* canvas() const { return m_label; }
    PrintScreenToolBox* toolbox() const { return m_toolbox; }
    PrintScreenSaveAskDialog* save_ask_dialog() const { return m_save_ask_dialog; }
    const QPixmap& clean_pixmap() const { return m_clean_pixmap; }
    const QPixmap& dimmed_pixmap() const { return m_dimmed_pixmap; }
    // The picture a save writes: the selected area with its rectangles, or the whole
    // photograph while nothing is selected.
    QImage picture_to_save() const;

signals:
    void signal_add_to_database(QString name);
    // A save that did not write its file, with the reason.
    void signal_save_failed(QString reason);
    // The folder a file was just written to, before signal_add_to_database announces it.
    void signal_saved_in(QString folder);

public slots:
    void slot_save_with_name(QString name);
    void slot_button_rectangle_clicked();
    void slot_button_undo_clicked();
    void slot_button_color_picker_clicked();
    void slot_color_selected(QColor color);
    void slot_save();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void place_toolbox();
    QPoint picture_point(const QMouseEvent* event) const;
    void take_keyboard();
    void try_keyboard_grab();
    void release_keyboard();
    // The selected area in the toolkit's desktop units, and the screen that holds it.
    QRect selection_on_desktop() const;
    QScreen* selection_screen() const;
    void push_snapshot();
    void close_without_saving(const char* why);

    bool m_automatic_save = true;
    bool m_rectangle_mode = false;
    bool m_selecting = false;
    CaptureCanvas* m_label = nullptr;
    QColor m_rectangle_color = Qt::red;
    QRubberBand* m_rubber_band = nullptr;
    QPoint m_press_point;
    QPoint m_current_point;
    QPixmap m_clean_pixmap;
    QPixmap m_dimmed_pixmap;
    PrintScreenSaveAskDialog* m_save_ask_dialog = nullptr;
    PrintScreenToolBox* m_toolbox = nullptr;
    QVector<Snapshot> m_undo_history;
    QVBoxLayout* m_layout = nullptr;

    bool m_drawing = false;
    bool m_saving = false;
    QPointer<QColorDialog> m_color_dialog;
    QString m_photograph_error;
    QTimer* m_keyboard_timer = nullptr;
    int m_keyboard_tries = 0;
};
