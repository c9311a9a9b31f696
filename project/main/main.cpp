#include "app/App.h"
#include "app/CommandLine.h"
#include "app/InstanceCommands.h"
#include "app/SaveManager.h"
#include "app/SingleApplication.h"
#include "app/TerminationHandler.h"
#include "common/AppLog.h"
#include "common/DataPaths.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QResource>
#include <QTimer>
#include <QtPlugin>
#include <cstdio>
#include <cstdlib>

// Icons made from PNG files are read without asking every image-format plugin first.
Q_IMPORT_PLUGIN(PngIconEnginePlugin)

namespace {
// The display can vanish under us, and Qt then ends the process with exit(): save what an
// orderly end would have saved.
void save_on_unexpected_exit() {
    if (App* app = Singleton<App>::instance()) {
        app->save_manager()->save_settings();
        const QString temp = app->temp_dir_path();
        if (!temp.isEmpty())
            QDir(temp).removeRecursively();
    }
}
// Before any window exists, so nothing is laid out in the default font first. The font is
// stored uncompressed in the program and handed to the font database in place: registered by
// its file name, Qt would keep one heap copy of it and read a second one for the first text.
void use_bundled_font() {
    const QString path = QStringLiteral(":/fonts/Roboto-Regular.ttf");
    const QResource resource(path);
    QByteArray data;
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression) {
        data = QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                       static_cast<int>(resource.size()));
    } else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            data = file.readAll();
    }
    // Set by the family the font file really declares: a made-up family name would only
    // select the default font again.
    const int font = QFontDatabase::addApplicationFontFromData(data);
    if (font != -1)
        QApplication::setFont(QFont(QFontDatabase::applicationFontFamilies(font).value(0)));
}
} // namespace

int main(int argc, char** argv) {
    // Before any application object: help, version and usage errors need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Parsed command_line = CommandLine::parse(arguments);
    if (command_line.outcome != CommandLine::Outcome::Run) {
        std::fputs(qPrintable(command_line.text),
                   command_line.outcome == CommandLine::Outcome::UsageError ? stderr : stdout);
        return command_line.exit_code;
    }
    const QString& action = command_line.action;

    qputenv("QT_BEARER_POLL_TIMEOUT", QByteArray::number(-1));
    QCoreApplication::setApplicationName(QStringLiteral("Corvana"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrin Labs"));
    // The menu entry the package installs: desktops match our windows and portals to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tavrinlabs.Corvana"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANA_VERSION));

    // First: the platform also guards the process against a closed standard output, which the
    // first log line below would otherwise meet.
    Platform::install(create_platform());
    if (action == QLatin1String("quit")) {
        // Never starts an instance, so needs no display.
        int code = 0;
        {
            QCoreApplication core(argc, argv);
            code = SingleApplication::send_to_running(action);
        }
        Platform::uninstall();
        return code;
    }
    SingleApplication application(argc, argv, action);
    APP_LOG(QStringLiteral("APP_LOG Test the console"));

    DataPaths::resolve();
    std::atexit(save_on_unexpected_exit);
    // Before App exists, so a signal during start-up is not fatal: it is handled once the event
    // loop runs, and ends the program as Quit does.
    TerminationHandler::install();
    Q_INIT_RESOURCE(fonts); // from main: the macro cannot be used inside a namespace
    use_bundled_font();

    int result = 0;
    {
        App app;
        QApplication::setActiveWindow(&app);

        QObject::connect(&application, &QCoreApplication::aboutToQuit, &app, &App::quit);
        QObject::connect(&application, &SingleApplication::show_up, &app, &App::open_app);
        QObject::connect(
            &application, &SingleApplication::command_received, &app,
            [&app](const QString& command) { InstanceCommands::perform(app, command); });
        // The first start carries out its own command once it runs.
        if (!action.isEmpty())
            QTimer::singleShot(0, &app, [&app, action] { InstanceCommands::perform(app, action); });
        QGuiApplication::setQuitOnLastWindowClosed(false);

        result = application.exec();
    }
    Platform::uninstall();
    return result;
}
