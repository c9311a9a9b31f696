#include "tray/TrayIcon.h"

#include "clipboard/ClipboardHistory.h"
#include "common/AppLog.h"
#include "common/AppSettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

#include <utility>

namespace {
const QString normal_icon = QStringLiteral(":/images/app.png");
const QString paused_icon = QStringLiteral(":/images/app_paused.png");
const QString locked_icon = QStringLiteral(":/images/key.svg");
} // namespace

TrayIcon::TrayIcon(App* app, AppSettings& settings, const ClipboardHistory& history,
                   Actions actions)
    : QSystemTrayIcon(nullptr), m_app(app), m_settings(settings), m_history(history),
      m_actions(std::move(actions)), m_normal_icon(normal_icon), m_paused_icon(paused_icon),
      m_info_action(new QAction(QStringLiteral("Loading..."), this)), m_menu(new QMenu),
      m_spell_timer(new QTimer(this)), m_spell_duration_timer(new QTimer(this)) {
    m_current_icon = m_normal_icon;
    m_current_icon_name = normal_icon;
    m_info_action->setEnabled(false);
    m_info_action->setCheckable(false);

    m_spell_timer->setSingleShot(true);
    m_spell_timer->setInterval(spell_timer_ms);
    connect(m_spell_timer, &QTimer::timeout, this, &TrayIcon::spell_timer_finished);
    m_spell_duration_timer->setSingleShot(true);
    m_spell_duration_timer->setInterval(spell_duration_ms);
    connect(m_spell_duration_timer, &QTimer::timeout, this,
            &TrayIcon::spell_duration_timer_finished);
    m_spell_duration_timer->start();

    setContextMenu(m_menu);
    refresh_tray_menu();
    connect(this, &QSystemTrayIcon::activated, this, &TrayIcon::icon_activated);
}

TrayIcon::~TrayIcon() {
    // Emptied first: a menu shown over D-Bus frees the exported entries only when they are
    // removed, not when the menu itself goes.
    m_menu->clear();
    delete m_menu;
}

QString TrayIcon::app_info() const {
    return m_info_action->text();
}

QAction* TrayIcon::add_action(const QString& text, const std::function<void()>& action) {
    QAction* entry = m_menu->addAction(text);
    connect(entry, &QAction::triggered, this, [action] { action(); });
    return entry;
}

void TrayIcon::refresh_tray_menu() {
    // clear() deletes the entries the menu made, so rebuilding does not pile them up.
    m_menu->clear();
    add_action(QStringLiteral("Settings"), m_actions.open_settings);
    if (m_settings.m_use_hidden_features) {
        QAction* spells = add_action(QStringLiteral("&Hidden features"), m_actions.enter_spell);
        spells->setIcon(QIcon(QStringLiteral(":/images/hidden_features.png")));
    }
    m_menu->addSeparator();
    if (m_history.locked())
        add_action(QStringLiteral("&Unlock Clipboard"), m_actions.unlock);
    else
        add_action(QStringLiteral("&Lock CLipboard"), m_actions.lock);
    add_action(QStringLiteral("&Show History"), m_actions.open_history);
    add_action(QStringLiteral("&Exit"), m_actions.quit);
}

void TrayIcon::use_icon(const QString& name) {
    m_current_icon_name = name;
    m_current_icon = name == normal_icon   ? m_normal_icon
                     : name == paused_icon ? m_paused_icon
                                           : QIcon(name);
    setIcon(m_current_icon);
}

void TrayIcon::set_app_tray_icon_image(const QString& state) {
    if (state == QLatin1String("activated"))
        use_icon(normal_icon);
    else if (state == QLatin1String("paused"))
        use_icon(paused_icon);
    else
        setIcon(m_current_icon);
}

void TrayIcon::set_app_info(const QString& state, const QString& info) {
    set_app_tray_icon_image(state);
    m_info_action->setText(info);
}

void TrayIcon::show_at_start(const QString& wayland_notice) {
    setIcon(m_normal_icon);
    show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        APP_LOG(QStringLiteral("No system tray: start Corvana again to bring up its window"));
    if (!wayland_notice.isEmpty())
        show_message(this, QStringLiteral("Corvana on Wayland"), wayland_notice);
}

void TrayIcon::show_message(TrayIcon* tray, const QString& title, const QString& text) {
    qDebug().noquote() << "Tray message:" << title << "-" << text;
    notify(tray, title, text);
}

void TrayIcon::notify(TrayIcon* tray, const QString& title, const QString& text) {
    if (tray && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        tray->showMessage(title, text, QSystemTrayIcon::NoIcon, 10000);
        return;
    }
    // One box for every message: a burst of saved images must not pile up windows. Nothing owns
    // it, so one still open when Corvana quits goes with it.
    static QPointer<QMessageBox> box;
    if (!box) {
        box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QMessageBox* const created = box;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, created,
                         [created] { delete created; });
    } else {
        box->setWindowTitle(title);
        box->setText(text);
    }
    box->show();
    box->raise();
}

void TrayIcon::set_locked_icon(bool locked) {
    use_icon(locked ? locked_icon : normal_icon);
}

void TrayIcon::show_lock(bool locked) {
    set_locked_icon(locked);
    refresh_tray_menu();
}

void TrayIcon::icon_activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // The one gesture that counts toward the ritual: without it, hidden features once
        // switched off could never come back. It does nothing while they are on.
        count_spell_clicks();
        m_actions.open_settings();
        break;
    case QSystemTrayIcon::DoubleClick:
        m_actions.open_settings();
        break;
    case QSystemTrayIcon::MiddleClick:
        change_app_mode();
        break;
    default:
        break;
    }
}

void TrayIcon::change_app_mode() {
    m_actions.pause_or_resume();
    setIcon(m_current_icon);
    refresh_tray_menu();
    m_actions.save_settings();
}

void TrayIcon::count_spell_clicks() {
    if (m_settings.m_use_hidden_features)
        return;
    ++m_spell_click_count;
    m_spell_armed = false;
    qDebug().noquote() << "Spell clicks:" << m_spell_click_count;
    if (m_spell_click_count <= 5)
        return;
    m_spell_click_count = 0;
    if (m_spell_ready) {
        m_spell_ready = false;
        activate_hidden_features();
        return;
    }
    m_spell_armed = true;
    qDebug().noquote() << "Abra";
    start_hidden_features_spell_timer();
    start_spell_duration_timer();
}

void TrayIcon::start_hidden_features_spell_timer() {
    m_spell_timer->start();
}

void TrayIcon::start_spell_duration_timer() {
    m_spell_duration_timer->start();
}

void TrayIcon::spell_timer_finished() {
    if (m_spell_click_count == 0 && m_spell_armed) {
        m_spell_ready = true;
        qDebug().noquote() << "Cadabra";
    } else {
        qDebug().noquote()
            << "My dear Sorcerer,\nDon't rush anything. When the time is right, it will happen...";
    }
    m_spell_click_count = 0;
}

void TrayIcon::spell_duration_timer_finished() {
    if (m_spell_ready)
        qDebug().noquote() << "My dear Sorcerer,\nSometimes in life, your situation will keep "
                              "repeating itself until you learn your lesson...";
    reset_spell();
}

void TrayIcon::activate_hidden_features() {
    m_settings.m_use_hidden_features = !m_settings.m_use_hidden_features;
    AppLog::plain(QStringLiteral("Alakazam:") +
                  QString::number(m_settings.m_use_hidden_features ? 1 : 0));
    refresh_tray_menu();
    reset_spell();
    show_message(this, QStringLiteral("Hidden features"),
                 QStringLiteral("My dear Sorcerer,\nGood job! Hidden features are "
                                "activated :)\nRight click to see your new magic "
                                "button."));
    m_actions.save_settings();
}

void TrayIcon::reset_spell() {
    m_spell_click_count = 0;
    m_spell_armed = false;
    m_spell_ready = false;
}
