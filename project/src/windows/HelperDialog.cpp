#include "windows/HelperDialog.h"

#include "common/UiScale.h"
#include "shortcuts/ShortcutTable.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

HelperDialog::HelperDialog(QWidget* parent)
    : QDialog(parent), m_label(new QLabel), m_button_ok(new QPushButton(QStringLiteral("OK"))),
      m_layout(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("HelperDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(UiScale::size(400, 300));
    m_label->setTextFormat(Qt::RichText);
    m_layout->addWidget(m_label);
    m_button_ok->setFixedWidth(UiScale::px(100));
    m_button_ok->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_layout->addWidget(m_button_ok, 0, Qt::AlignHCenter);
    setWindowTitle(QStringLiteral("Help"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_button_ok, &QPushButton::clicked, this, &HelperDialog::slot_button_ok_clicked);
}

void HelperDialog::set_text(const QString& html) {
    m_label->setText(html);
}

QString HelperDialog::text() const {
    return m_label->text();
}

void HelperDialog::slot_button_ok_clicked() {
    close();
}

QString HelperDialog::help_page(const ShortcutsDialog& shortcuts) {
    // Sequences go into the markup as stored; "<" and ">" in them are escaped so that
    // "Ctrl+Alt+<" shows as typed instead of opening a tag that swallows the rest of the line.
    const auto key = [&shortcuts](int row) { return shortcuts.sequence(row).toHtmlEscaped(); };
    const QString open = QStringLiteral("<p align=\"center\"><span style=\" font-weight:600;\">");
    const auto line = [&open](const QString& keys, const char* what) {
        return open + keys + QStringLiteral("</span> - ") + QLatin1String(what) +
               QStringLiteral("</p>");
    };
    return QStringLiteral("<html><head><head/><body><p align=\"center\">How to use Corvana:</p>") +
           line(key(ShortcutTable::PauseOrResume), "Pause/resume Corvana") +
           line(QStringLiteral("Ctrl+C"), "Copy a couple of things") +
           line(QStringLiteral("Ctrl+X"), "Cut a couple of things") +
           line(QStringLiteral("Ctrl+V"), "Paste them in your desired order") +
           line(key(ShortcutTable::SwitchPasteOrder), "Switch the paste order") +
           line(key(ShortcutTable::ClipboardUndo), "Go Back in History") +
           line(key(ShortcutTable::ClipboardRedo), "Go Forward in History") +
           line(key(ShortcutTable::RichTextCopy), "Enable/Disable Rich text Copy") +
           line(key(ShortcutTable::ClearHistory), "Clear Clipboard History") +
           line(key(ShortcutTable::OpenHistoryDialog), "Show Clipboard History") +
           line(key(ShortcutTable::OpenAutocomplete), "Show Autocomplete History") +
           QStringLiteral("</body></html>");
}
