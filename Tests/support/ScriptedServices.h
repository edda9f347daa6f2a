#pragma once
// Points the process's services at a test's doubles: its displays, its
// recording tablet events, no event posting, and HID managers from a scripted
// bus. Answers the services as they were, for the test to put back.
#include "PlatformServices.h"
#include "ScriptedHIDBus.h"

#include <memory>

class DisplayService;
class HIDEventSystem;

inline PlatformServices useScriptedServices(DisplayService& displays, HIDEventSystem& events,
                                            std::shared_ptr<ScriptedHIDBus> bus)
{
    const PlatformServices previous = Platform::services();
    Platform::services().displays = &displays;
    Platform::services().hidEventSystem = &events;
    Platform::services().eventPosting = nullptr;
    Platform::services().makeHIDManager = [bus = std::move(bus)] { return bus->makeManager(); };
    return previous;
}
