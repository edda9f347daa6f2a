#include "ProcessServices.h"

#include "BTDriverManager.h"
#include "Configure.h"
#include "DriverShortcuts.h"
#include "InputEmulator.h"
#include "LinuxWorkspace.h"
#include "PkexecAuthorization.h"
#include "PlatformServices.h"
#include "QtDisplayService.h"
#include "SystemLog.h"
#include "UdevHIDManager.h"
#include "UinputEventPosting.h"
#include "UinputHIDEventSystem.h"

#include <cstring>

void ProcessServices::install()
{
    static bool installed = false;
    if (installed) return;
    installed = true;

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
}

BTDriverManager& ProcessServices::driver()
{
    static BTDriverManager& driver = []() -> BTDriverManager& {
        BTDriverManager& shared = BTDriverManager::shared();
        // Key presses fetch their command from the store on the driver thread
        // and run it with the executor on the main queue.
        static InputEmulator inputEmulator;
        DriverShortcuts::connect(shared, Configure::instance(), inputEmulator);
        return shared;
    }();
    return driver;
}
