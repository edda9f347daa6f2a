// The driver's main program. Until the tray application exists it loads the
// settings, sets up the screen mapping for the current displays, logs what it
// did to the terminal as well as to the system log, and keeps running until
// interrupted.
#include "BTDriverManager.h"
#include "PlatformServices.h"
#include "QtDisplayService.h"
#include "SystemLog.h"
#include "UserDefaults.h"

#include <QGuiApplication>
#include <csignal>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    SystemLog::setEchoToStderr(true);

    QtDisplayService displays;
    Platform::services().displays = &displays;

    SystemLog::logPlain("brevola-driver: settings from %s", UserDefaults::defaultPath().c_str());
    BTDriverManager& driver = BTDriverManager::shared();
    driver.initializeScreenSettings();
    SystemLog::logPlain("brevola-driver: running headless; press Ctrl+C to stop");

    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    return app.exec();
}
