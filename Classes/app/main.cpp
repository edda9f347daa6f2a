// The driver's main program. Until the tray application exists it runs the
// driver headless: it fills the platform services with the Linux backends,
// creates the driver (which loads the settings and starts its thread 0.1 s
// later), logs to the terminal as well as to the system log, and runs until
// interrupted. "--record FILE" also writes the tablet's reports to FILE.
#include "BTDriverManager.h"
#include "LinuxWorkspace.h"
#include "PkexecAuthorization.h"
#include "PlatformServices.h"
#include "QtDisplayService.h"
#include "ReportRecorder.h"
#include "SystemLog.h"
#include "UdevHIDManager.h"
#include "UinputEventPosting.h"
#include "UinputHIDEventSystem.h"
#include "UserDefaults.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // A recording that cannot be written stops the program before anything starts.
    std::string recordError;
    static std::unique_ptr<ReportRecorder> recorder = ReportRecorder::fromArguments(argc, argv, recordError);
    if (!recordError.empty()) {
        std::fprintf(stderr, "brevola-driver: %s\n", recordError.c_str());
        return 1;
    }

    QGuiApplication app(argc, argv);
    SystemLog::setEchoToStderr(true);

    // The services outlive the driver and its thread.
    static QtDisplayService displays;
    static UinputHIDEventSystem hidEvents; // the virtual pen appears when the driver opens its connection
    static UinputEventPosting posting;     // the virtual keyboard and mouse
    static LinuxWorkspace workspace;
    static PkexecAuthorization authorization;
    PlatformServices& services = Platform::services();
    services.displays = &displays;
    services.hidEventSystem = &hidEvents;
    if (const int32_t error = posting.open(); error != 0)
        SystemLog::logPlain("brevola-driver: no virtual keyboard on /dev/uinput (%s); shortcuts post nothing",
                            std::strerror(error));
    services.eventPosting = &posting;
    services.workspace = &workspace;
    services.authorization = &authorization;
    services.makeHIDManager = [] { return std::make_unique<UdevHIDManager>(); };

    SystemLog::logPlain("brevola-driver: settings in %s", UserDefaults::defaultPath().c_str());
    BTDriverManager& driver = BTDriverManager::shared();
    driver.setReportRecorder(recorder.get());
    if (recorder) SystemLog::logPlain("brevola-driver: recording the tablet's reports to %s", recorder->path().c_str());
    SystemLog::logPlain("brevola-driver: running headless; Ctrl+C stops it");

    // Ctrl+C and SIGTERM end the event loop through a descriptor, not inside a handler.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    QSocketNotifier stopRequests(signalfd(-1, &stops, SFD_CLOEXEC), QSocketNotifier::Read);
    QObject::connect(&stopRequests, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    const int status = app.exec();
    driver.stopDriverThread();
    if (recorder) recorder->close();
    return status;
}
