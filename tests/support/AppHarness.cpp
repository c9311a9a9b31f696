#include "AppHarness.h"

#include "common/DataPaths.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

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

QByteArray AppHarness::standard_output_of(const std::function<void()>& run) {
    QTemporaryFile file;
    if (!file.open())
        return "cannot capture standard output";
    std::fflush(stdout);
    const int saved = ::dup(1);
    ::dup2(file.handle(), 1);
    run();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}
