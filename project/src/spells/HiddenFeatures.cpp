#include "spells/HiddenFeatures.h"

#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "spells/InputDialog.h"
#include "spells/SpellToken.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QUrl>

namespace {
// A notification shows at most this much of a typed spell.
constexpr int shown_spell_length = 200;

QString shown_spell(const QByteArray& spell) {
    QString text = QString::fromUtf8(spell);
    // Control characters (a NUL above all) have no place in a notification.
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QChar(0xfffd);
    if (text.size() > shown_spell_length)
        text = text.left(shown_spell_length) + QChar(0x2026);
    return text;
}
} // namespace

HiddenFeatures::HiddenFeatures(App* app, AppSettings& settings, Actions actions)
    : QObject(nullptr), m_app(app), m_settings(settings), m_actions(std::move(actions)) {}

QString HiddenFeatures::help_url() {
    const QString configured = QStringLiteral(CORVANA_HELP_URL);
    if (!configured.isEmpty())
        return configured;
    // Beside the program (the build tree, Windows), else where a Linux install puts it from
    // lib/corvana/. Never the source tree: a built program does not know where that was.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString page = QStringLiteral("hidden-features.md");
    const QString beside = dir + QLatin1Char('/') + page;
    const QString installed = dir + QStringLiteral("/../../share/doc/corvana/") + page;
    const QString path =
        !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
}

QList<QPair<QByteArray, QString>> HiddenFeatures::keyword_addresses() {
    // Harmless, stable pages, each about the word that leads to it.
    return {
        {"trololo", QStringLiteral("https://en.wikipedia.org/wiki/Trololo")},
        {"boobs", QStringLiteral("https://en.wikipedia.org/wiki/Booby")},
        {"fuck you", QStringLiteral("https://en.wikipedia.org/wiki/Politeness")},
        {"salsa", QStringLiteral("https://en.wikipedia.org/wiki/Salsa_(dance)")},
        {"bachata", QStringLiteral("https://en.wikipedia.org/wiki/Bachata")},
        {"obicham te", QStringLiteral("https://en.wikipedia.org/wiki/Bulgarian_language")},
        {"muni money", QStringLiteral("https://en.wikipedia.org/wiki/Money")},
    };
}

QList<QByteArray> HiddenFeatures::patterns() {
    AppSettings unused;
    QList<QByteArray> list;
    for (const Row& row : HiddenFeatures(nullptr, unused, {}).rows())
        list.append(row.pattern);
    return list;
}

void HiddenFeatures::enter_spell() {
    if (!m_settings.m_hidden_features_help_already_shown) {
        m_actions.open_help();
        m_settings.m_hidden_features_help_already_shown = true;
        m_actions.save_settings();
        return;
    }
    if (m_spell_dialog_open)
        return;
    auto* dialog =
        new InputDialog(QStringLiteral("Hidden features"), QStringLiteral("Enter your spell:"));
    connect(dialog, &InputDialog::finished, this, &HiddenFeatures::activate);
    connect(dialog, &InputDialog::closed, this, &HiddenFeatures::dialog_closed);
    m_spell_dialog_open = true;
}

void HiddenFeatures::activate(const QString& spell) {
    if (spell.isEmpty())
        return;
    qDebug().noquote() << "Hidden feature spell:" << shown_spell(spell.toUtf8());
    cast_spell(spell.toUtf8());
}

void HiddenFeatures::notify(const QString& title, const QString& text) {
    if (!m_settings.m_use_hidden_features_notifications)
        return;
    emit notified(title, text);
    m_actions.show_tray_message(title, text);
}

void HiddenFeatures::switched(bool on, const QString& on_title, const QString& on_text,
                              const QString& off_title, const QString& off_text) {
    if (on)
        notify(on_title, on_text);
    else
        notify(off_title, off_text);
}

void HiddenFeatures::refresh_tray_menu() {
    if (m_actions.refresh_tray_menu)
        m_actions.refresh_tray_menu();
}

QList<HiddenFeatures::Row> HiddenFeatures::rows() {
    AppSettings* a = &m_settings;
    const Actions* act = &m_actions;
    auto on = [](const QList<SpellToken>& t) { return t.first().boolean_value; };
    QList<Row> table = {
        {"help", [act](const auto&) { act->open_help(); }},
        {"%b hidden features",
         [this, a, act, on](const auto& t) {
             a->m_use_hidden_features = on(t);
             act->save_settings();
             refresh_tray_menu();
             if (!on(t))
                 notify(QStringLiteral("Hidden features disabled"),
                        QStringLiteral("Hidden features are disabled. To enable them again see the "
                                       "Hidden features article in the Corvana website."));
         }},
        {"%b start at startup",
         [this, a, act, on](const auto& t) {
             a->m_start_at_startup = on(t);
             act->start_at_login(on(t));
             switched(on(t), QStringLiteral("Start at startup enabled"),
                      QStringLiteral("Corvana will start when you turn ON your computer"),
                      QStringLiteral("Start at startup disabled"),
                      QStringLiteral("Corvana will not start when you turn ON your computer"));
         }},
        {"%b create shortcuts automatically",
         [this, a, on](const auto& t) {
             a->m_create_shortcuts_automatically = on(t);
             switched(on(t), QStringLiteral("Create shortcuts enabled"),
                      QStringLiteral("Corvana will create shortcuts automatically. This is used to "
                                     "add Halden to the start menu automatically"),
                      QStringLiteral("Create shortcuts disabled"),
                      QStringLiteral("Corvana will not create shortcuts automatically. This "
                                     "feature was used to add Halden to the start menu "
                                     "automatically"));
         }},
        {"%b tray icon rotation",
         [this, a, on](const auto& t) {
             a->m_use_spinning_tray_icon = on(t);
             switched(on(t), QStringLiteral("Tray icon rotation is enabled"),
                      QStringLiteral("The tray icon will rotate when Halden is changing screen "
                                     "colors. This is used to show when Halden is changing colors "
                                     "and your screen is not calibrated"),
                      QStringLiteral("Tray icon rotation is disabled"),
                      QStringLiteral("The tray icon will not rotate when Halden is changing "
                                     "screen colors. This feature is used to show when Halden is "
                                     "changing colors and your screen is not calibrated"));
         }},
        {"%b monitor %d",
         [this, a, on](const auto& t) {
             const int n = t.at(2).integer_value;
             if (on(t))
                 a->m_ignored_monitors.removeAll(n);
             else if (!a->m_ignored_monitors.contains(n))
                 a->m_ignored_monitors.append(n);
             const QString monitor =
                 QStringLiteral("Monitor") + QLatin1Char(' ') + QString::number(n);
             switched(on(t), monitor + QStringLiteral(" enabled"),
                      QStringLiteral("Corvana will apply color changes to ") + monitor,
                      monitor + QStringLiteral(" disabled"),
                      QStringLiteral("Corvana will not apply color changes to ") + monitor);
         }},
        {"reset", [this](const auto&) { reset_colors(); }},
        {"reset colors", [this](const auto&) { reset_colors(); }},
        {"reset settings",
         [this, act](const auto&) {
             act->reset_settings();
             notify(QStringLiteral("Reset settings"),
                    QStringLiteral("Corvana settings are reset to default values"));
         }},
        {"invert", [this](const auto&) { invert_colors(); }},
        {"invert colors", [this](const auto&) { invert_colors(); }},
        {"%b hidden features notifications",
         [this, a, on](const auto& t) {
             // Told with the value before the change: switching off shows this last one.
             switched(on(t), QStringLiteral("Notifications enabled"),
                      QStringLiteral("Hidden features notifications are enabled. They are show so "
                                     "you will know when your spell is successful"),
                      QStringLiteral("Notifications disabled"),
                      QStringLiteral("Hidden features notifications are disabled. This is the "
                                     "last notification that you will see"));
             a->m_use_hidden_features_notifications = on(t);
         }},
        {"%b inverted icons",
         [this, a, on](const auto& t) {
             a->m_use_inverted_icons = on(t);
             switched(on(t), QStringLiteral("Inverted icons enabled"),
                      QStringLiteral("They are used in inverted mode"),
                      QStringLiteral("Inverted icons disabled"),
                      QStringLiteral("They are used in inverted mode"));
         }},
        {"%b software cursor", [this, on](const auto& t) { software_cursor(on(t)); }},
        {"%b software mouse", [this, on](const auto& t) { software_cursor(on(t)); }},
        {"%b keyboard shortcuts",
         [this, a, on](const auto& t) {
             a->m_use_keyboard_shortcuts = on(t);
             switched(on(t), QStringLiteral("Keyboard shortcuts enabled"),
                      QStringLiteral("You can now change Halden settings via the keyboard"),
                      QStringLiteral("Keyboard shortcuts disabled"),
                      QStringLiteral("Halden keyboard shortcuts are disabled"));
         }},
        {"%b deadpoll", [](const auto&) {}},
        {"affiliate", [act](const auto&) { act->open_url(help_url()); }},
    };
    for (const auto& keyword : keyword_addresses()) {
        const QString address = keyword.second;
        table.append({keyword.first, [act, address](const auto&) { act->open_url(address); }});
    }
    return table;
}

void HiddenFeatures::reset_colors() {
    notify(QStringLiteral("Reset colors"),
           QStringLiteral("Screen colors are reset to default values"));
}

void HiddenFeatures::invert_colors() {
    refresh_tray_menu();
    notify(QStringLiteral("Invert"), QStringLiteral("Colors are inverted"));
}

void HiddenFeatures::software_cursor(bool on) {
    if (on)
        notify(QStringLiteral("Software cursor enabled"),
               QStringLiteral("Color changes will apply also on the cursor. If it starts to "
                              "dissappear use disable software cursor to make it bright again."));
    else
        notify(QStringLiteral("Hardware cursor enabled"),
               QStringLiteral("Color changes will not apply on the cursor. If you don't like the "
                              "bright blue cursor at night use enable software cursor to make "
                              "apply color changes on the cursor."));
    QString error;
    if (!m_actions.set_mouse_trails(on ? -1 : 0, &error))
        APP_LOG(QStringLiteral("The cursor could not be changed: ") + error);
}

void HiddenFeatures::invalid_spell(const QByteArray& spell) {
    qDebug().noquote() << "Invalid spell:" << shown_spell(spell);
    notify(QStringLiteral("Invalid spell"),
           QStringLiteral("The spell") + QLatin1Char(' ') + QLatin1Char('"') + shown_spell(spell) +
               QLatin1Char('"') +
               QStringLiteral(" seems wrong. Check the syntax or try with some other hidden "
                              "feature.") +
               QLatin1Char('\n') +
               QStringLiteral("Use \"help\" to see the list of all hidden "
                              "features :)"));
}

void HiddenFeatures::cast_spell(const QByteArray& spell) {
    const QList<SpellToken> tokens = SpellToken::tokenize(spell);
    bool cast = false;
    for (const Row& row : rows()) {
        if (SpellToken::matches(row.pattern, tokens)) {
            row.handler(tokens);
            cast = true;
            break;
        }
    }
    if (!cast)
        invalid_spell(spell);
    m_actions.save_settings();
}
