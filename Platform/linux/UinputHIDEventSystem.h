#pragma once
// The HID event system on Linux: each open connection is a virtual pen on
// uinput, an absolute pointer-mapped tablet whose X and Y span the union of
// all displays as they were when the connection was opened (a layout change
// needs a new connection). Posted records become evdev events:
//
//   proximity in/out     BTN_TOOL_PEN 1/0 (in: at the record's location;
//                        out: tip released and pressure 0 first)
//   moved, dragged       ABS_X, ABS_Y, ABS_PRESSURE (tablet point pressure)
//   left down/up         BTN_TOUCH 1/0 at the location, with the press's
//                        pressure; the release sets pressure 0
//
// and every record ends with SYN_REPORT. The moved record of a proximity pair
// (subtype tablet proximity) carries nothing the tablet-proximity record does
// not, and posts nothing. A move while the pen is out of proximity only
// updates the position, so a stray move cannot bring the pen back; a press
// brings it in, since a pressing tip is over the tablet.
//
// Thread-safe: connections are opened and closed on one thread and posted to
// on another.
#include "EvdevSinkFactory.h"
#include "Geometry.h"
#include "HIDEventSystem.h"

#include <map>
#include <memory>
#include <mutex>

class DisplayService;

class UinputHIDEventSystem : public HIDEventSystem {
public:
    static constexpr const char* kDeviceName = "Brevola Virtual Pen";
    // Units per millimetre of ABS_X and ABS_Y: one unit per display pixel at
    // about 100 pixels per inch. Desktops ignore a tablet without a resolution.
    static constexpr int kUnitsPerMillimetre = 4;
    // The desktop used when no display is known.
    static constexpr Rect kFallbackDesktop{0, 0, 1920, 1080};
    // The platform's code for a record this system cannot post.
    static constexpr int32_t kIOReturnUnsupported = static_cast<int32_t>(0xE00002C7u);

    // factory: null makes devices on /dev/uinput. displays: null asks the
    // process's display service.
    explicit UinputHIDEventSystem(std::unique_ptr<EvdevSinkFactory> factory = nullptr,
                                  DisplayService* displays = nullptr);
    ~UinputHIDEventSystem() override;

    // False without a uinput node.
    bool hasService() const override;
    // Creates the virtual pen: 0 with the connection set, or the errno value
    // of the failure (ENOENT without /dev/uinput, EACCES without the right to it).
    int32_t openConnection(Connection& connection) override;
    // Destroys the connection's pen; kIOReturnNotOpen for an unknown connection.
    int32_t closeConnection(Connection connection) override;
    // 0, kIOReturnNotOpen, kIOReturnUnsupported for a type other than
    // proximity, moved, dragged, left down and up, or the errno value of a failed write.
    int32_t postEvent(Connection connection, const HIDEvent& event) override;
    // The node, the error's text and the udev rule that grants the node.
    std::string unavailableReason(int32_t openResult) const override;

private:
    struct Pen;

    Rect desktop() const;

    std::unique_ptr<EvdevSinkFactory> factory_;
    DisplayService* displays_;
    mutable std::mutex mutex_;
    std::map<Connection, std::unique_ptr<Pen>> pens_;
    Connection nextConnection_ = 1;
};
