// The stylus record's starting state and the connection to the event system
// through which every event is posted.
#include "BTDriverManager.h"

#include "EventPosting.h"
#include "HIDEventSystem.h"
#include "PlatformServices.h"
#include "SystemLog.h"

Point BTDriverManager::cursorLocation()
{
    const EventPosting* posting = Platform::services().eventPosting;
    return posting ? posting->pointerLocation() : Point{0, 0};
}

void BTDriverManager::initializeStylus(Point cursor)
{
    StylusRecord& s = stylus_;
    s.toolid = 0x822;
    s.tool = 2;
    s.serialno = 0;
    s.off_tablet = true;
    s.pen_near = false;
    s.eraser_flag = true;
    s.button_click = false;
    s.button_mask = 0;
    std::copy(std::begin(oldStylus_.button), std::end(oldStylus_.button), std::begin(s.button));
    s.menu_button = 0;
    s.point = {0, 0};
    s.tilt = {0, 0};
    s.raw_pressure = 0;
    s.pressure = 0;
    s.scrPos = cursor;
    s.oldPos = {-32768, -32768};

    NX::_NXTabletProximityData& p = s.proximity;
    p.vendorID = static_cast<uint16_t>(_vexloSettings.vendorID.load(std::memory_order_relaxed));
    p.tabletID = static_cast<uint16_t>(_vexloSettings.productID.load(std::memory_order_relaxed));
    p.pointerID = 0;
    p.deviceID = 0x81;
    p.systemTabletID = 0;
    p.vendorPointerType = 0x802;
    p.pointerSerialNumber = 1;
    p.uniqueID = 35;
    p.capabilityMask = 0x407; // device id, absolute x, absolute y, pressure
    p.pointerType = 1;        // pen
    p.reserved1 = 0;

    oldStylus_ = s;
}

int32_t BTDriverManager::openHIDService()
{
    const int32_t closed = closeHIDService();
    if (closed != 0) return closed;

    HIDEventSystem* system = Platform::services().hidEventSystem;
    if (!system) {
        BTLogWarn("-[BTDriverManager openHIDService]", "error closing port before opening");
        return 0;
    }
    if (!system->hasService()) {
        BTLogWarn("-[BTDriverManager openHIDService]", "error opning port");
        return 0;
    }
    HIDEventSystem::Connection connection = 0;
    const int32_t result = system->openConnection(connection);
    if (result != 0) {
        BTLogWarn("-[BTDriverManager openHIDService]", "error opening service");
        return result;
    }
    setGEventDriver(connection);
    BTLogInfo("-[BTDriverManager openHIDService]", "created global event driver");
    return 0;
}

int32_t BTDriverManager::closeHIDService()
{
    const uint32_t connection = gEventDriver();
    setGEventDriver(0);
    HIDEventSystem* system = Platform::services().hidEventSystem;
    if (connection == 0 || !system) return 0;
    return system->closeConnection(connection);
}
