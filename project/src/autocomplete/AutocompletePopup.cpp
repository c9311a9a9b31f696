#include "autocomplete/AutocompletePopup.h"

#include "autocomplete/AutocompleteDialog.h"
#include "autocomplete/AutocompleteMenu.h"
#include "autocomplete/AutocompletePaste.h"
#include "autocomplete/ImageEntryFile.h"
#include "clipboard/PictureDecoder.h"
#include "common/AppLog.h"
#include "common/DataPaths.h"
#include "history/ImageViewer.h"
#include "platform/Keyboard.h"

#include <QImage>

namespace {
// Loaded before a window shows it.
AutocompleteStore& loaded(AutocompleteStore& store) {
    store.load();
    return store;
}
} // namespace

AutocompletePopup::AutocompletePopup(ClipboardHistory& history, Keyboard& keyboard,
                                     ActiveWindow& active_window, ClipboardOwner& owner,
                                     InputInjector& injector, QWidget* page_parent)
    : m_store(DataPaths::get().data_root() + QStringLiteral("/autocomplete.json"),
              DataPaths::get().images_dir()),
      m_dialog(new AutocompleteDialog(loaded(m_store), active_window)),
      m_viewer(new ImageViewer(m_dialog)), m_menu(new AutocompleteMenu(page_parent)),
      m_paste(new AutocompletePaste(history, active_window, owner, injector, page_parent)) {
    connect(m_dialog, &AutocompleteDialog::signal_leave_event, m_viewer, &ImageViewer::hide_me);
    // Queued: the paste engine has handled the same key report by the time this runs.
    connect(&keyboard, &Keyboard::signal_key_pressed, m_paste, &AutocompletePaste::key_reported,
            Qt::QueuedConnection);
}

AutocompletePopup::~AutocompletePopup() {
    delete m_dialog;
}

void AutocompletePopup::open_or_close() {
    if (m_dialog->isHidden())
        m_paste->remember_active_window();
    m_dialog->open_or_close();
}

void AutocompletePopup::close() {
    APP_LOG(QStringLiteral("START autocomplete_dialog_close()"));
    m_dialog->hide();
    APP_LOG(QStringLiteral("END autocomplete_dialog_close()"));
}

void AutocompletePopup::activate(const QString& type, const QString& text) {
    if (m_viewer->isVisible())
        m_viewer->hide();
    m_paste->paste(type, text, DataPaths::get().images_dir());
}

void AutocompletePopup::preview(const QString& type, const QString& text) {
    APP_LOG(QStringLiteral("START slot_autocomplete_list_item_entered()"));
    if (m_viewer->isVisible())
        m_viewer->hide();
    if (type != QLatin1String("image"))
        return;
    const QString path = ImageEntryFile::path(DataPaths::get().images_dir(), text);
    m_viewer->preview(m_dialog, path.isEmpty() ? QImage() : PictureDecoder::decode_file(path));
}

void AutocompletePopup::clear() {
    AutocompleteMenu::confirm_and_clear(m_menu, m_dialog, DataPaths::get().images_dir());
}
