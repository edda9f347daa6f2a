#include "AppOptions.h"

#include <QCommandLineParser>

namespace {
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption headless{QStringLiteral("headless"),
                                QStringLiteral("Run the driver without the tray icon and panel (no display needed).")};
    QCommandLineOption record{QStringLiteral("record"),
                              QStringLiteral("Also write the tablet's reports to <file>, in the hid-tools recorder's "
                                             "text format (brevola-replay reads it)."),
                              QStringLiteral("file")};
    QCommandLineOption platform{QStringLiteral("platform"), QStringLiteral("Qt platform plugin."),
                                QStringLiteral("name")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version.")};

    Parser()
    {
        parser.setApplicationDescription(
            QStringLiteral("Pen tablet driver. Without options it runs in the system tray: a click on the icon "
                           "opens the settings panel; the icon's menu has Quit. Starting it again opens the "
                           "running instance's panel."));
        platform.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(headless);
        parser.addOption(record);
        parser.addOption(platform);
        parser.addOption(help);
        parser.addOption(version);
    }
};

QByteArray firstPlatformName(const QByteArray& list)
{
    // "xcb;offscreen" tries each; "offscreen:configfile=..." carries parameters.
    QByteArray name = list.split(';').value(0);
    return name.split(':').value(0).trimmed();
}
} // namespace

bool AppOptions::parse(const QStringList& arguments, AppOptions& options, QString& error)
{
    Parser p;
    if (!p.parser.parse(arguments)) {
        error = p.parser.errorText();
        return false;
    }
    if (!p.parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument '%1'.").arg(p.parser.positionalArguments().constFirst());
        return false;
    }
    options.headless = p.parser.isSet(p.headless);
    options.record = p.parser.value(p.record);
    if (p.parser.isSet(p.record) && options.record.isEmpty()) {
        error = QStringLiteral("--record needs a file name.");
        return false;
    }
    options.platform = p.parser.value(p.platform);
    options.help = p.parser.isSet(p.help);
    options.version = p.parser.isSet(p.version);
    return true;
}

QString AppOptions::helpText()
{
    Parser p;
    return p.parser.helpText();
}

PlatformChoice::Environment PlatformChoice::currentEnvironment()
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY")};
}

PlatformChoice PlatformChoice::choose(const AppOptions& options, const Environment& env)
{
    PlatformChoice choice;
    const QByteArray named = options.platform.isEmpty() ? env.qpaPlatform : options.platform.toLocal8Bit();
    if (!named.isEmpty()) {
        // The user's choice, unless it cannot start at all.
        const QByteArray name = firstPlatformName(named);
        if ((name == "xcb" && env.display.isEmpty()) || (name.startsWith("wayland") && env.waylandDisplay.isEmpty()))
            choice.outcome = Outcome::NoDisplay;
        choice.waylandOnly = name.startsWith("wayland");
        return choice;
    }
    if (!env.display.isEmpty()) {
        // X, or XWayland in a Wayland session: windows go where they are put.
        choice.platform = "xcb;offscreen";
    } else if (!env.waylandDisplay.isEmpty()) {
        choice.waylandOnly = true;
    } else if (options.headless) {
        choice.platform = "offscreen"; // the driver needs no window, only the display list
    } else {
        choice.outcome = Outcome::NoDisplay;
    }
    return choice;
}

bool PlatformChoice::reached(const QString& startedPlatform) const
{
    return !platform.startsWith("xcb;") || startedPlatform == QLatin1String("xcb");
}
