#pragma once

#include "autocomplete/AutocompleteStore.h"

#include <QObject>

class ActiveWindow;
class AutocompleteDialog;
class AutocompleteMenu;
class AutocompletePaste;
class ClipboardHistory;
class ClipboardOwner;
class ImageViewer;
class InputInjector;
class Keyboard;
class QString;
class QWidget;

// The autocomplete popup at work: a chosen row is pasted into the window the user was in, an
// image row pointed at is previewed. Owns the store, the popup that shows it, its preview and
// the Autocomplete page of the main window.
class AutocompletePopup : public QObject {
    Q_OBJECT
public:
    AutocompletePopup(ClipboardHistory& history, Keyboard& keyboard, ActiveWindow& active_window,
                      ClipboardOwner& owner, InputInjector& injector, QWidget* page_parent);
    ~AutocompletePopup() override;

    AutocompleteStore& store() { return m_store; }
    AutocompleteDialog* dialog() const { return m_dialog; }
    ImageViewer* viewer() const { return m_viewer; }
    AutocompleteMenu* menu() const { return m_menu; }
    AutocompletePaste* paste() const { return m_paste; }

    void open_or_close();
    void close();
    void activate(const QString& type, const QString& text);
    void preview(const QString& type, const QString& text);
    // Asks, then empties the store and the images folder.
    void clear();

private:
    AutocompleteStore m_store;
    AutocompleteDialog* m_dialog;
    ImageViewer* m_viewer;
    AutocompleteMenu* m_menu;
    AutocompletePaste* m_paste;
};
