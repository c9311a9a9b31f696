#include "windows/MainWindowForm.h"

#include "common/UiScale.h"
#include "platform/TaskbarButton.h"

#include <QFont>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPixmap state_pixmap(bool paused) {
    // Drawn from the icon at the screen's scale, so it stays crisp on high-density screens.
    return QIcon(paused ? QStringLiteral(":/images/app_paused.png")
                        : QStringLiteral(":/images/app.png"))
        .pixmap(UiScale::size(64, 64));
}
} // namespace

void MainWindowForm::setup_ui(QWidget* app, TaskbarButton& taskbar) {
    m_taskbar = &taskbar;
    taskbar.set_progress_visible(true);
    taskbar.set_progress_value(100);
    app->setObjectName(QStringLiteral("app"));
    app->resize(UiScale::size(width, height));

    background = new QLabel(app);
    background->setObjectName(QStringLiteral("background"));
    background->setEnabled(false);
    background->setGeometry(QRect(QPoint(0, 0), UiScale::size(445, 951)));
    background->setStyleSheet(QStringLiteral("\nbackground:white;\n"));

    gridLayoutWidget = new QWidget(app);
    gridLayoutWidget->setObjectName(QStringLiteral("gridLayoutWidget"));
    gridLayoutWidget->setGeometry(
        QRect(QPoint(UiScale::px(-10), UiScale::px(23)), UiScale::size(456, 891)));
    app_grid_layout = new QGridLayout(gridLayoutWidget);
    app_grid_layout->setObjectName(QStringLiteral("app_grid_layout"));
    app_grid_layout->setContentsMargins(0, 0, 0, 0);

    app_vertical_layout = new QVBoxLayout();
    app_vertical_layout->setObjectName(QStringLiteral("app_vertical_layout"));
    // The layout widget reaches 10 px past the window on both sides; these margins centre the
    // column with 20 px of white on either side.
    app_vertical_layout->setContentsMargins(UiScale::px(30), 0, UiScale::px(30), 0);
    app_vertical_layout->setSpacing(UiScale::px(7));
    app_grid_layout->addLayout(app_vertical_layout, 0, 0);

    app_icon = new QLabel(gridLayoutWidget);
    app_icon->setObjectName(QStringLiteral("app_icon"));
    app_icon->setPixmap(state_pixmap(false));
    app_icon->setAlignment(Qt::AlignCenter);
    app_vertical_layout->addWidget(app_icon);

    app_title = new QLabel(QStringLiteral("Corvana"), gridLayoutWidget);
    app_title->setObjectName(QStringLiteral("app_title"));
    QFont title_font(QStringLiteral("Arial"), 13);
    title_font.setWeight(QFont::Normal);
    title_font.setKerning(true);
    app_title->setFont(title_font);
    app_title->setMaximumHeight(UiScale::px(50));
    app_title->setAlignment(Qt::AlignCenter);
    app_vertical_layout->addWidget(app_title);

    app_info = new QLabel(QStringLiteral("CORVANA STATUS LOADING..."), gridLayoutWidget);
    app_info->setObjectName(QStringLiteral("app_info"));
    app_info->setAlignment(Qt::AlignCenter);
    app_vertical_layout->addWidget(app_info);

    button_change_mode = add_button(gridLayoutWidget, "button_change_mode",
                                    QStringLiteral("Corvana is ON - Click to Pause"));
    button_change_mode->setCursor(Qt::PointingHandCursor);
    button_show_copy_paste_menu = add_button(gridLayoutWidget, "button_show_copy_paste_menu",
                                             QStringLiteral("Copy-Paste Settings"));
    button_show_clipboard_history_menu =
        add_button(gridLayoutWidget, "button_show_clipboard_history_menu",
                   QStringLiteral("Clipboard History"));
    button_show_autocomplete_menu = add_button(gridLayoutWidget, "button_show_autocomplete_menu",
                                               QStringLiteral("Autocomplete"));
    button_show_status_indicator_menu = add_button(
        gridLayoutWidget, "button_show_status_indicator_menu", QStringLiteral("Status Indicator"));
    button_toggle_note_dialog =
        add_button(gridLayoutWidget, "button_toggle_note_dialog", QStringLiteral("Notes"));
    button_show_printscreen_menu =
        add_button(gridLayoutWidget, "button_show_printscreen_menu", QStringLiteral("Screenshots"));
    button_show_trademark_menu =
        add_button(gridLayoutWidget, "button_show_trademark_menu", QStringLiteral("TradeMark"));
    button_show_shortcut_settings = add_button(gridLayoutWidget, "button_show_shortcut_settings",
                                               QStringLiteral("Shortcut Settings"));
    button_templates =
        add_button(gridLayoutWidget, "button_templates", QStringLiteral("Templates"));
    button_show_helper_dialog =
        add_button(gridLayoutWidget, "button_show_helper_dialog", QStringLiteral("Help"));
    button_show_about = add_button(gridLayoutWidget, "button_show_about", QStringLiteral("About"));
    // The zoom level is set on its page; without this button nothing opened it.
    button_zoomit_menu = add_button(gridLayoutWidget, "button_zoomit_menu", QStringLiteral("Zoom"));
    // The layout is taller than the window; the spacer keeps the column at the top instead of
    // spreading it below the window's bottom edge.
    app_vertical_layout->addStretch(1);
}

QPushButton* MainWindowForm::add_button(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumHeight(UiScale::px(32));
    app_vertical_layout->addWidget(button);
    return button;
}

void MainWindowForm::show_mode(bool paused) {
    button_change_mode->setText(paused ? QObject::tr("Corvana is OFF - Click to Start")
                                       : QObject::tr("Corvana is ON - Click to Pause"));
}

void MainWindowForm::show_state(QWidget* app, const QString& state, const QString& text) {
    const bool paused = state == QLatin1String("paused");
    if (paused || state == QLatin1String("activated")) {
        TaskbarButton& taskbar = *m_taskbar;
        taskbar.set_paused(paused);
        taskbar.set_progress_visible(true);
        taskbar.set_progress_value(100);
    }
    app_info->setText(text.isEmpty() ? m_session_summary : text);
    app_icon->setPixmap(state_pixmap(paused));
    app->setWindowIcon(QIcon(paused ? QStringLiteral(":/images/app_paused.png")
                                    : QStringLiteral(":/images/app.png")));
}

void MainWindowForm::show_session(const QString& summary, const QString& notice) {
    m_session_summary = summary;
    app_info->setToolTip(notice);
    if (summary.isEmpty())
        return;
    // A notch smaller than a state, to keep to one line beside the buttons.
    QFont font = app_info->font();
    font.setPointSizeF(font.pointSizeF() * 5 / 6);
    app_info->setFont(font);
    if (app_info->text().isEmpty())
        app_info->setText(summary);
}

void MainWindowForm::set_tooltips(const QString& pause_sequence, const QString& note_sequence) {
    button_change_mode->setToolTip(
        QStringLiteral("This option swiches Corvana on and off\nShortcut: ") + pause_sequence);
    button_show_about->setToolTip(QStringLiteral("Opens an informative window"));
    button_zoomit_menu->setToolTip(QStringLiteral("Opens the zoom settings"));
    button_show_helper_dialog->setToolTip(QStringLiteral("Opens the help window"));
    button_show_shortcut_settings->setToolTip(QStringLiteral("Opens the shortcuts menu"));
    button_toggle_note_dialog->setToolTip(QStringLiteral("Opens a note!\nShortcut: ") +
                                          note_sequence);
}
