// The driver's main program: the tray application, or with --headless the
// driver alone. Both log to the terminal as well as to the system log, record
// the tablet's reports with --record FILE, and end cleanly (exit 0) on Quit,
// Ctrl+C or SIGTERM.
#include "AppOptions.h"
#include "BTAppDelegate.h"
#include "BTDriverManager.h"
#include "ProcessServices.h"
#include "ReportRecorder.h"
#include "StopSignals.h"
#include "SystemLog.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QLoggingCategory>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

// Whether the recording can be written, found out without emptying a file
// that is there: the tray application creates it only once it knows it is
// the only instance, and another one may be writing it.
bool recordingCanBeCreated(const std::string& path, std::string& error)
{
    const bool existed = ::access(path.c_str(), F_OK) == 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    if (!existed) ::unlink(path.c_str());
    return true;
}

// Qt's own lines about a display it cannot reach are replaced by ours.
void quietPlatformStart(bool quiet)
{
    QLoggingCategory::setFilterRules(quiet ? QStringLiteral("qt.qpa.xcb.warning=false\nqt.qpa.plugin=false")
                                           : QString());
}

void cannotReachX()
{
    std::fprintf(stderr, "brevola-driver: cannot connect to the X display %s; 'brevola-driver --headless' runs the "
                         "driver without one\n",
                 qgetenv("DISPLAY").constData());
}

int runHeadless(int& argc, char** argv, const PlatformChoice& platform, ReportRecorder* recorder)
{
    quietPlatformStart(true);
    QGuiApplication app(argc, argv);
    quietPlatformStart(false);
    if (!platform.reached(QGuiApplication::platformName()))
        SystemLog::logPlain("brevola-driver: -warn- cannot connect to the X display %s; the driver maps onto a "
                            "stand-in display",
                            qgetenv("DISPLAY").constData());
    ProcessServices::install();
    SystemLog::logPlain("brevola-driver: settings in %s", UserDefaults::defaultPath().c_str());
    BTDriverManager& driver = ProcessServices::driver();
    driver.setReportRecorder(recorder);
    if (recorder) SystemLog::logPlain("brevola-driver: recording the tablet's reports to %s", recorder->path().c_str());
    SystemLog::logPlain("brevola-driver: running headless; Ctrl+C stops it");
    StopSignals stops;
    QObject::connect(&stops, &StopSignals::received, &app, &QCoreApplication::quit);
    const int status = app.exec();
    driver.stopDriverThread();
    driver.setReportRecorder(nullptr);
    if (recorder) recorder->close();
    return status;
}

int runTray(int& argc, char** argv, const PlatformChoice& platform, const QString& recordPath)
{
    // The panel's display pictures are a few megabytes each. A fixed mmap
    // threshold keeps them out of the heap, so they go back to the system when
    // the panel closes instead of staying with a process that idles in a tray.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
    quietPlatformStart(true);
    QApplication app(argc, argv);
    quietPlatformStart(false);
    if (!platform.reached(QGuiApplication::platformName())) {
        cannotReachX();
        return 1;
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("brevola-driver"));
    // The panel is the only window: closing it hides it, the program goes on.
    QApplication::setQuitOnLastWindowClosed(false);
    if (platform.waylandOnly)
        SystemLog::logPlain("brevola-driver: -warn- running on Wayland without XWayland: the compositor places the "
                            "panel and its windows, and the map shows no screen pictures");

    BTAppDelegate::Options options;
    options.recordPath = recordPath;
    BTAppDelegate delegate(std::move(options));
    if (!delegate.applicationDidFinishLaunching()) return delegate.exitCode();
    SystemLog::logPlain("brevola-driver: settings in %s", UserDefaults::defaultPath().c_str());
    StopSignals stops;
    QObject::connect(&stops, &StopSignals::received, &app, &QCoreApplication::quit);
    const int status = app.exec();
    delegate.applicationShouldTerminate();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // Ctrl+C and SIGTERM from the very start end the program through its loop.
    StopSignals::install();
    SystemLog::setEchoToStderr(true);

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    AppOptions options;
    QString error;
    if (!AppOptions::parse(arguments, options, error)) {
        std::fprintf(stderr, "brevola-driver: %s\nTry 'brevola-driver --help'.\n", qUtf8Printable(error));
        return 2;
    }
    if (options.help || options.version) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(BREVOLA_VERSION));
        if (options.help)
            std::fputs(qUtf8Printable(AppOptions::helpText()), stdout);
        else
            std::printf("brevola-driver %s\n", BREVOLA_VERSION);
        return 0;
    }

    // A recording that cannot be written stops the program before anything
    // starts. The headless driver opens it now; the tray application once it
    // knows it is the only instance.
    std::unique_ptr<ReportRecorder> recorder;
    if (!options.record.isEmpty()) {
        std::string recordError;
        if (options.headless)
            recorder = ReportRecorder::create(options.record.toStdString(), recordError);
        if (options.headless ? !recorder : !recordingCanBeCreated(options.record.toStdString(), recordError)) {
            std::fprintf(stderr, "brevola-driver: %s\n", recordError.c_str());
            return 1;
        }
    }

    const PlatformChoice platform = PlatformChoice::choose(options, PlatformChoice::currentEnvironment());
    if (platform.outcome == PlatformChoice::Outcome::NoDisplay) {
        std::fputs("brevola-driver: no display to show the tray icon on (DISPLAY and WAYLAND_DISPLAY are not set); "
                   "'brevola-driver --headless' runs the driver without one\n",
                   stderr);
        return 1;
    }
    // The chosen platform goes to Qt as its own option, not through the
    // environment that programs started by shortcuts inherit.
    std::vector<char*> qtArguments(argv, argv + argc);
    QByteArray platformName = platform.platform;
    if (!platformName.isEmpty()) {
        static char platformOption[] = "-platform";
        qtArguments.insert(qtArguments.begin() + 1, {platformOption, platformName.data()});
    }
    int qtArgc = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    return options.headless ? runHeadless(qtArgc, qtArguments.data(), platform, recorder.get())
                            : runTray(qtArgc, qtArguments.data(), platform, options.record);
}
