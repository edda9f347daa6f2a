#pragma once
// The one process-wide set of operating-system services. main() fills it with
// the real backends; tests and tools fill it with doubles. Each service is an
// interface declared in its own header in this folder.
#include <functional>
#include <memory>

class DisplayService;
class HIDManager;
class HIDEventSystem;
class EventPosting;
class Workspace;
class Authorization;

struct PlatformServices {
    DisplayService* displays = nullptr;
    HIDEventSystem* hidEventSystem = nullptr;
    EventPosting* eventPosting = nullptr;
    Workspace* workspace = nullptr;
    Authorization* authorization = nullptr;
    // Creates a new HID manager (the driver makes one per initialisation).
    std::function<std::unique_ptr<HIDManager>()> makeHIDManager;
};

namespace Platform {
PlatformServices& services();
}
