#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace {
struct Action {
    const char* name;
    const char* description;
};

const Action action_table[] = {
    {"paste-next", "Put the next entry on the clipboard and paste it, as Ctrl+V does."},
    {"show-history", "Show the clipboard history."},
    {"show-autocomplete", "Show the autocomplete popup."},
    {"toggle-pause", "Pause Corvana, or resume it."},
    {"switch-order", "Paste the oldest entry first, or the newest."},
    {"toggle-note", "Show the note, or hide it."},
    {"screenshot", "Take a screenshot."},
    {"quit", "End the running Corvana (never starts one)."},
};

// What QGuiApplication and QApplication take from the arguments themselves; accepted here and
// left in place for them.
const char* const qt_value_options[] = {"platform",        "platformpluginpath",
                                        "platformtheme",   "plugin",
                                        "qwindowgeometry", "geometry",
                                        "qwindowtitle",    "title",
                                        "qwindowicon",     "icon",
                                        "session",         "name",
                                        "display",         "style",
                                        "stylesheet",      "qmljsdebugger"};
const char* const qt_flag_options[] = {"reverse", "testability", "dograb",
                                       "nograb",  "sync",        "widgetcount"};
} // namespace

const QStringList& CommandLine::actions() {
    static const QStringList names = [] {
        QStringList list;
        for (const Action& action : action_table)
            list << QLatin1String(action.name);
        return list;
    }();
    return names;
}

QString CommandLine::usage() {
    QString text = QStringLiteral(
        "Usage: corvana [OPTION]\n"
        "Corvana, a clipboard paste queue. Without an option it starts, or shows the running "
        "one.\n\n"
        "Options:\n"
        "  -h, --help           Show this help and exit.\n"
        "  -v, --version        Show the version and exit.\n\n"
        "Actions, sent to the running Corvana (started first if none runs):\n");
    for (const Action& action : action_table)
        text += QStringLiteral("  --%1%2\n")
                    .arg(QLatin1String(action.name), -19)
                    .arg(QLatin1String(action.description));
    text += QStringLiteral("\nExit status:\n"
                           "  0  done\n"
                           "  1  the running Corvana refused or did not answer; for --quit, also "
                           "when none runs\n"
                           "  2  a usage error\n");
    return text;
}

CommandLine::Parsed CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-platform xcb" is one option, as Qt reads it, not "-p -l -a ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(
        QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const QString& name : actions())
        parser.addOption(QCommandLineOption(name));
    for (const char* name : qt_value_options)
        parser.addOption(
            QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value")));
    for (const char* name : qt_flag_options)
        parser.addOption(QCommandLineOption(QLatin1String(name)));

    Parsed parsed;
    const auto usage_error = [&parsed](const QString& error) {
        parsed.outcome = Outcome::UsageError;
        parsed.exit_code = 2;
        parsed.text = QStringLiteral("corvana: %1\n\n%2").arg(error, usage());
        return parsed;
    };
    if (!parser.parse(arguments))
        return usage_error(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usage_error(QStringLiteral("unexpected argument '%1'")
                               .arg(parser.positionalArguments().constFirst()));
    QStringList chosen;
    for (const QString& name : actions()) {
        if (parser.isSet(name))
            chosen << QStringLiteral("--") + name;
    }
    if (chosen.size() > 1)
        return usage_error(QStringLiteral("one action at a time, not %1")
                               .arg(chosen.join(QStringLiteral(" and "))));
    if (parser.isSet(help)) {
        parsed.outcome = Outcome::Help;
        parsed.text = usage();
    } else if (parser.isSet(version)) {
        parsed.outcome = Outcome::Version;
        parsed.text = QStringLiteral("Corvana " CORVANA_VERSION "\n");
    } else if (!chosen.isEmpty()) {
        parsed.action = chosen.constFirst().mid(2);
    }
    return parsed;
}
