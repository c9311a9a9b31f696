#include "shortcuts/ShortcutsDialog.h"

#include "common/AppLog.h"
#include "common/UiScale.h"
#include "shortcuts/ShortcutTable.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// Object names of the row widgets; the labels skip 11 to 13, used by the column titles.
QString label_name(int row) {
    const int n = row < 10 ? row + 1 : row + 4;
    return n == 1 ? QStringLiteral("label") : QStringLiteral("label_%1").arg(n);
}
QString numbered(const char* base, int row) {
    return row == 0 ? QLatin1String(base)
                    : QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(row + 1);
}

const QString shortcuts_group = QStringLiteral("Shortcuts");
} // namespace

ShortcutsDialog::ShortcutsDialog(QWidget* parent) : QDialog(parent, Qt::Window) {
    for (int row = 0; row < row_count; ++row)
        m_sequences.append(default_sequence(row));
    build_form();
    setWindowTitle(QStringLiteral("Change Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_current_button = m_button_ok;
    connect(m_button_ok, &QPushButton::clicked, this, &ShortcutsDialog::on_button_ok_clicked);
    for (int row = 0; row < row_count; ++row)
        connect(m_buttons[row], &QPushButton::clicked, this, [this, row] { start_capture(row); });
}

void ShortcutsDialog::build_form() {
    setObjectName(QStringLiteral("ShortcutsDialog"));
    // The places are fixed; the widths leave room for the desktop's fonts, which run wider
    // than the ones the places were drawn for, so that no text is cut off.
    QFont small = font();
    small.setPointSizeF(9);
    setFont(small);
    // Drawn for 96 dpi; the text is in points and grows with the screen's dpi, so do the places.
    const auto at = [](int x, int y, int width, int height) {
        return QRect(QPoint(UiScale::px(x), UiScale::px(y)), UiScale::size(width, height));
    };
    auto* form = new QWidget;
    form->setObjectName(QStringLiteral("form"));
    auto* command = new QLabel(QStringLiteral("Command:"), form);
    command->setObjectName(QStringLiteral("label_11"));
    command->setGeometry(at(30, 20, 181, 21));
    auto* shortcut = new QLabel(QStringLiteral("Shortcut (click to change)"), form);
    shortcut->setObjectName(QStringLiteral("label_12"));
    shortcut->setGeometry(at(230, 10, 155, 31));
    // Two lines where the desktop's font runs too wide for one.
    shortcut->setWordWrap(true);

    for (int row = 0; row < row_count; ++row) {
        const int y = 60 + 30 * row;
        auto* label = new QLabel(ShortcutsDialog::label(row), form);
        label->setObjectName(label_name(row));
        label->setGeometry(at(30, y, 195, 18));
        auto* edit = new QLineEdit(m_sequences[row], form);
        edit->setObjectName(numbered("lineEdit", row));
        edit->setGeometry(at(230, y, 135, 22));
        edit->setEnabled(false);
        auto* button = new QPushButton(m_sequences[row], form);
        button->setObjectName(numbered("pushButton", row));
        button->setGeometry(at(230, y, 135, 22));
        button->setFocusPolicy(Qt::NoFocus);
        m_edits.append(edit);
        m_buttons.append(button);
    }

    auto* transparency = new QLabel(QStringLiteral("Indicator transparency"), form);
    transparency->setObjectName(QStringLiteral("label_13"));
    transparency->setGeometry(at(30, 610, 195, 18));
    m_slider = new QSlider(Qt::Horizontal, form);
    m_slider->setObjectName(QStringLiteral("horizontalSlider"));
    m_slider->setGeometry(at(230, 610, 135, 22));
    m_slider->setRange(0, 99);
    m_slider->setValue(0);

    m_button_ok = new QPushButton(QStringLiteral("Ok"), form);
    m_button_ok->setObjectName(QStringLiteral("button_ok"));
    m_button_ok->setGeometry(at(160, 640, 75, 26));
    m_button_ok->setFocusPolicy(Qt::NoFocus);

    // Below the OK button, in the room the window has there.
    m_message = new QLabel(form);
    m_message->setObjectName(QStringLiteral("label_message"));
    m_message->setGeometry(at(30, 675, 330, 60));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #b00020;"));

    // Scaled up, the form can be taller than the screen (150 % on 1080 lines): it scrolls there.
    // The scroll area takes no focus, so the keys pressed for a shortcut still reach the dialog.
    const QSize full = UiScale::size(390, 769);
    form->setFixedSize(full);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("form_scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(form);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    QSize wanted = full;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // Room for the title bar, which the window does not have before it is shown.
        const int room = screen->availableGeometry().height() - UiScale::px(40);
        if (wanted.height() > room) {
            wanted.setHeight(room);
            wanted.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        }
    }
    resize(wanted);
}

QString ShortcutsDialog::label(int row) {
    const ShortcutTable::Entry* entry = ShortcutTable::entry(row);
    return entry ? QString::fromLatin1(entry->label) : QString();
}

QString ShortcutsDialog::default_sequence(int row) {
    const ShortcutTable::Entry* entry = ShortcutTable::entry(row);
    return entry ? QString::fromLatin1(entry->sequence) : QString();
}

QString ShortcutsDialog::refusal(const QString& sequence) {
    const QStringList parts = sequence.split(QLatin1Char('+'));
    if (parts.contains(QLatin1String("Print")))
        return QStringLiteral("%1 uses the Print key, which the screenshot feature needs.")
            .arg(sequence);
    for (const char* taken : {"Ctrl+V", "Ctrl+C", "Ctrl+X"}) {
        if (sequence == QLatin1String(taken))
            return QStringLiteral("%1 is how you copy and paste; it cannot be a shortcut.")
                .arg(sequence);
    }
    return QString();
}

void ShortcutsDialog::set_sequence(int row, const QString& sequence) {
    if (row < 0 || row >= row_count)
        return;
    m_sequences[row] = sequence;
    show_row(row, sequence);
}

void ShortcutsDialog::show_row(int row, const QString& text) {
    m_edits[row]->setText(text);
    m_buttons[row]->setText(text);
}

bool ShortcutsDialog::is_capturing() const {
    return m_current_button && m_current_button->isHidden();
}

void ShortcutsDialog::on_button_ok_clicked() {
    accept();
}

void ShortcutsDialog::start_capture(int row) {
    // A capture left unfinished in another row is dropped, not stored by a later release.
    if (is_capturing() && m_current_row >= 0 && m_current_row != row)
        show_row(m_current_row, m_sequences[m_current_row]);
    m_current_button->show();
    m_capture_count = 0;
    m_capture_text.clear();
    m_current_row = row;
    m_current_button = m_buttons[row];
    m_current_line_edit = m_edits[row];
    m_current_button->hide();
    m_message->clear();
}

QString ShortcutsDialog::key_name(int key) {
    switch (key) {
    case Qt::Key_Control:
        return QStringLiteral("Ctrl");
    case Qt::Key_Alt:
        return QStringLiteral("Alt");
    case Qt::Key_Shift:
        return QStringLiteral("Shift");
    case Qt::Key_Up:
        return QStringLiteral("Up");
    case Qt::Key_Down:
        return QStringLiteral("Down");
    case Qt::Key_Left:
        return QStringLiteral("Left");
    case Qt::Key_Right:
        return QStringLiteral("Right");
    case Qt::Key_Space:
        return QStringLiteral("Space");
    case Qt::Key_Print:
        return QStringLiteral("Print");
    default:
        break;
    }
    // Keys outside the printable range (F1, Home, ...) by their own name: their key code cut
    // to one character gave a digit or letter that registers a different key.
    if (key < 0x20 || key > 0xff)
        return QKeySequence(key).toString(QKeySequence::PortableText);
    return QString(QChar(key));
}

void ShortcutsDialog::keyPressEvent(QKeyEvent* event) {
    if (!is_capturing() || event->isAutoRepeat() || m_capture_count >= max_keys)
        return;
    if (event->key() == Qt::Key_Escape) {
        // Nothing is stored, and nothing half typed stays behind for a later release.
        show_row(m_current_row, m_sequences[m_current_row]);
        m_capture_count = 0;
        m_capture_text.clear();
        m_current_button->show();
        return;
    }
    if (m_capture_count > 0)
        m_capture_text += QLatin1Char('+');
    m_capture_text += key_name(event->key());
    ++m_capture_count;
    m_current_line_edit->setText(m_capture_text);
    m_current_button->setText(m_capture_text);
}

void ShortcutsDialog::keyReleaseEvent(QKeyEvent* event) {
    if (!is_capturing() || event->isAutoRepeat())
        return;
    end_capture();
}

void ShortcutsDialog::end_capture() {
    const QString taken = m_current_line_edit->text();
    const QString reason = refusal(taken);
    if (!reason.isEmpty()) {
        show_row(m_current_row, m_sequences[m_current_row]);
        m_message->setText(reason + QStringLiteral(" \"%1\" keeps %2.")
                                        .arg(label(m_current_row), m_sequences[m_current_row]));
        APP_LOG(QStringLiteral("Shortcut refused: ") + reason);
    }
    m_capture_count = 0;
    m_capture_text.clear();
    m_current_button->show();
    for (int row = 0; row < row_count; ++row)
        m_sequences[row] = m_edits[row]->text();
}

void ShortcutsDialog::load_sequences(QSettings& settings) {
    settings.beginGroup(shortcuts_group);
    for (int row = 0; row < row_count; ++row) {
        const QString key = QString::fromLatin1(ShortcutTable::entry(row)->key);
        QString text = default_sequence(row);
        if (settings.contains(key)) {
            const QString stored = settings.value(key).toString();
            const QKeySequence parsed(stored, QKeySequence::NativeText);
            bool parses = !stored.isEmpty() && parsed.count() == 1;
            if (parses && (parsed[0] & ~Qt::KeyboardModifierMask) == Qt::Key_unknown)
                parses = false;
            const QString reason = refusal(stored);
            if (!parses)
                APP_LOG(
                    QStringLiteral("Stored shortcut \"%1\" for \"%2\" does not parse; %3 is used")
                        .arg(stored, label(row), text));
            else if (!reason.isEmpty())
                APP_LOG(QStringLiteral("Stored shortcut for \"%1\" refused: %2 %3 is used")
                            .arg(label(row), reason, text));
            else
                text = stored;
        }
        set_sequence(row, text);
    }
    settings.endGroup();
}

void ShortcutsDialog::save_sequences(QSettings& settings) const {
    settings.remove(shortcuts_group);
    settings.beginGroup(shortcuts_group);
    for (int row = 0; row < row_count; ++row) {
        if (m_sequences[row] != default_sequence(row))
            settings.setValue(QString::fromLatin1(ShortcutTable::entry(row)->key),
                              m_sequences[row]);
    }
    settings.endGroup();
}

bool ShortcutsDialog::differs_from_defaults() const {
    for (int row = 0; row < row_count; ++row) {
        if (m_sequences[row] != default_sequence(row))
            return true;
    }
    return false;
}
