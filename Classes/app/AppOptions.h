#pragma once
// The program's command line, and the Qt platform it runs on.
#include <QByteArray>
#include <QString>
#include <QStringList>

struct AppOptions {
    bool headless = false;
    bool help = false;
    bool version = false;
    // --record FILE: also write the tablet's reports to FILE.
    QString record;
    // Qt's own -platform NAME, passed on to Qt.
    QString platform;

    // False with error set for an unknown option or a missing value.
    static bool parse(const QStringList& arguments, AppOptions& options, QString& error);
    static QString helpText();
};

// Which Qt platform to start, from the options and the environment.
struct PlatformChoice {
    enum class Outcome {
        Run,       // start Qt on platform (empty: Qt's own choice)
        NoDisplay, // nothing to show windows on: say so and end
    };
    Outcome outcome = Outcome::Run;
    // Qt's -platform list: with X it ends in offscreen, so that a display that
    // cannot be reached shows as that fallback rather than an abort inside Qt.
    QByteArray platform;
    // A Wayland session without XWayland: windows cannot be placed nor the
    // screens pictured.
    bool waylandOnly = false;

    struct Environment {
        QByteArray qpaPlatform;    // QT_QPA_PLATFORM
        QByteArray display;        // DISPLAY
        QByteArray waylandDisplay; // WAYLAND_DISPLAY
    };
    static Environment currentEnvironment();
    static PlatformChoice choose(const AppOptions& options, const Environment& environment);

    // False when Qt started on the fallback because X could not be reached.
    bool reached(const QString& startedPlatform) const;
};
