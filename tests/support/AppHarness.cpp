#include "AppHarness.h"

#include "app/DataPaths.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

void AppHarness::init_process() {
    QCoreApplication::setApplicationName(QStringLiteral("Corvana"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrin Labs"));
    DataPaths::resolve();
    if (!qEnvironmentVariableIsSet("CORVANA_SETTINGS_DIR"))
        qFatal("Run tests through run-isolated.sh: CORVANA_SETTINGS_DIR is not set");
    Platform::install(create_platform());
}

std::unique_ptr<App> AppHarness::make_app() {
    return std::make_unique<App>();
}

QString AppHarness::settings_file() {
    return DataPaths::get().settings_file();
}

void AppHarness::remove_settings() {
    QFile::setPermissions(settings_file(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(settings_file());
}

void AppHarness::copy_text(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}
