#include "startup/Startup.h"

#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "common/DataPaths.h"
#include "platform/Autostart.h"
#include "platform/ShellLinks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const QString product = QStringLiteral("Corvana");
} // namespace

Startup::Startup(Autostart& autostart, ShellLinks& links, const QString& uninstaller_name)
    : m_autostart(autostart), m_links(links), m_uninstaller_name(uninstaller_name) {}

bool Startup::make_link(ShellLinks::Place place, const QString& folder, const QString& name,
                        const QString& title, const QString& target) {
    QString error;
    const ShellLinks::Link link{place, folder, name, title, target, launch_folder()};
    if (m_links.create(link, &error))
        return true;
    APP_LOG(QStringLiteral("Launcher %1 not made: %2").arg(name, error));
    return false;
}

QString Startup::launch_folder() {
    const QString folder = DataPaths::get().data_root();
    QDir().mkpath(folder);
    return folder;
}

QString Startup::uninstaller() const {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + m_uninstaller_name;
}

void Startup::apply_at_start(const AppSettings& settings) {
    if (settings.m_start_at_startup)
        enable_start_at_login();
    else
        disable_start_at_login();
    // A user who switched automatic launchers off expects none, even on a first start.
    if (settings.m_is_first_start && settings.m_create_shortcuts_automatically)
        create_shell_shortcuts();
}

bool Startup::enable_start_at_login() {
    const QString executable = QCoreApplication::applicationFilePath();
    const QString folder = launch_folder();
    if (m_autostart.matches(executable, folder))
        return true;
    QString error;
    if (m_autostart.enable(executable, folder, &error))
        return true;
    APP_LOG(QStringLiteral("Start at login not set: ") + error);
    return false;
}

bool Startup::disable_start_at_login() {
    QString error;
    if (m_autostart.disable(&error))
        return true;
    APP_LOG(QStringLiteral("Start at login not removed: ") + error);
    return false;
}

bool Startup::create_shell_shortcuts() {
    using Place = ShellLinks::Place;
    const QString executable = QCoreApplication::applicationFilePath();
    bool made = make_link(Place::Applications, product, product, product, executable);
    // A copy that was not installed (a portable folder, a build) has no uninstaller to link.
    if (QFileInfo(uninstaller()).isFile())
        made = make_link(Place::Applications, product, QStringLiteral("uninstall"),
                         QStringLiteral("Uninstall ") + product, uninstaller()) &&
               made;
    made = make_link(Place::Desktop, QString(), product, product, executable) && made;
    return made;
}
