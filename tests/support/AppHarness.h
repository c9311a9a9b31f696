#pragma once

#include "FakePlatform.h"
#include "app/App.h"
#include "app/SaveManager.h"
#include "common/DataPaths.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryFile>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

// Builds App on the fake platform inside the test's own folders (see run-isolated.sh).
struct AppHarness {
    // Once per test program: identity, data paths and the fake platform.
    static void init_process() {
        QCoreApplication::setApplicationName(QStringLiteral("Corvana"));
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrin Labs"));
        DataPaths::resolve();
        if (!qEnvironmentVariableIsSet("CORVANA_SETTINGS_DIR"))
            qFatal("Run tests through run-isolated.sh: CORVANA_SETTINGS_DIR is not set");
        Platform::install(create_platform());
    }
    static std::unique_ptr<App> make_app() { return std::make_unique<App>(); }
    static QString settings_file() { return DataPaths::get().settings_file(); }
    // A value in the settings file, as text.
    static QString stored(const QString& key) {
        return QSettings(settings_file(), QSettings::IniFormat).value(key).toString();
    }
    static QStringList stored_keys() {
        return QSettings(settings_file(), QSettings::IniFormat).allKeys();
    }
    static void remove_settings() {
        QFile::setPermissions(settings_file(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(settings_file());
    }
    // The settings file's reader without App: bare settings kept by a SaveManager with the shortcut
    // dialog and an indicator place, loaded as at start.
    struct Saved {
        AppSettings settings;
        ShortcutsDialog shortcuts{nullptr};
        QPoint indicator;
        SaveManager saver{
            nullptr,
            settings,
            shortcuts,
            {[this] { return indicator; }, [this](const QPoint& at) { indicator = at; }}};
        Saved() { saver.load_settings(); }
    };
    // Puts text on the clipboard as another program would.
    static void copy_text(const QString& text) { QGuiApplication::clipboard()->setText(text); }
    // Everything the process writes to standard output (the log included) while run runs.
    static QByteArray standard_output_of(const std::function<void()>& run) {
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
};
