#pragma once
// The HID event system: the service connection through which the driver posts
// tablet proximity, mouse moved, dragged, down and up events with pressure.
// The records below stand in for the platform's event data; the field names
// are the platform's so that the driver code reads the same on every backend.
#include <cstdint>
#include <string>

// The platform's 16-bit event location.
struct IOGPoint {
    int16_t x = 0;
    int16_t y = 0;
    friend bool operator==(const IOGPoint&, const IOGPoint&) = default;
};

namespace NX {

// Event types.
inline constexpr int32_t kLeftMouseDown = 1;
inline constexpr int32_t kLeftMouseUp = 2;
inline constexpr int32_t kMouseMoved = 5;
inline constexpr int32_t kLeftMouseDragged = 6;
inline constexpr int32_t kTabletProximity = 24;

// Mouse event subtypes.
inline constexpr uint8_t kSubtypeTabletPoint = 1;
inline constexpr uint8_t kSubtypeTabletProximity = 2;

// Event options: move the cursor to the event's location.
inline constexpr uint32_t kSetCursorPosition = 2;

// The event-data version every posted event carries.
inline constexpr uint32_t kEventDataVersion = 2;

struct _NXTabletPointData {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    uint16_t buttons = 0;
    uint16_t pressure = 0;
    struct {
        int16_t x = 0;
        int16_t y = 0;
    } tilt;
    uint16_t rotation = 0;
    int16_t tangentialPressure = 0;
    uint16_t deviceID = 0;
    int16_t vendor1 = 0;
    int16_t vendor2 = 0;
    int16_t vendor3 = 0;
};

struct _NXTabletProximityData {
    uint16_t vendorID = 0;
    uint16_t tabletID = 0;
    uint16_t pointerID = 0;
    uint16_t deviceID = 0;
    uint16_t systemTabletID = 0;
    uint16_t vendorPointerType = 0;
    uint32_t pointerSerialNumber = 0;
    uint64_t uniqueID = 0;
    uint32_t capabilityMask = 0;
    uint8_t pointerType = 0;
    uint8_t enterProximity = 0;
    int16_t reserved1 = 0;
};

// The tablet data a mouse event carries, point or proximity as its subType says.
// Kept side by side rather than overlaid, so reading either is always defined.
struct TabletData {
    _NXTabletPointData point;
    _NXTabletProximityData proximity;
};

struct MouseData {
    uint8_t subx = 0;
    uint8_t suby = 0;
    int16_t eventNum = 0;
    int32_t click = 0;
    uint8_t pressure = 0;
    uint8_t buttonNumber = 0;
    uint8_t subType = 0;
    uint8_t reserved2 = 0;
    int32_t reserved3 = 0;
    TabletData tablet;
};

struct MouseMoveData {
    int32_t dx = 0;
    int32_t dy = 0;
    uint8_t subx = 0;
    uint8_t suby = 0;
    uint8_t subType = 0;
    uint8_t reserved1 = 0;
    int32_t reserved2 = 0;
    TabletData tablet;
};

// The members an event type uses: mouse (down, up), mouseMove (moved,
// dragged) and proximity (tablet proximity). Unused members stay zero.
struct NXEventData {
    MouseData mouse;
    MouseMoveData mouseMove;
    _NXTabletProximityData proximity;
};

} // namespace NX

// One posted event.
struct HIDEvent {
    int32_t type = 0;
    IOGPoint location;
    NX::NXEventData data;
    uint32_t version = NX::kEventDataVersion;
    uint32_t flags = 0;
    uint32_t options = 0;
};

// The platform's code for a call on a connection that is not open.
inline constexpr int32_t kIOReturnNotOpen = static_cast<int32_t>(0xE00002CDu);

class HIDEventSystem {
public:
    using Connection = uint32_t;

    virtual ~HIDEventSystem() = default;

    // Whether the event-system service exists on this machine.
    virtual bool hasService() const = 0;
    // Opens a connection to the service: 0 with a nonzero connection, or the failure code.
    virtual int32_t openConnection(Connection& connection) = 0;
    virtual int32_t closeConnection(Connection connection) = 0;
    // Posts one event on an open connection; a failure code otherwise.
    virtual int32_t postEvent(Connection connection, const HIDEvent& event) = 0;
    // One line for the user on why there is no connection and what grants
    // one: openResult is openConnection's failure code, 0 without the service.
    virtual std::string unavailableReason(int32_t openResult) const
    {
        return openResult == 0 ? "no event service" : "the event service refused a connection (code " +
                                                          std::to_string(openResult) + ")";
    }
};
