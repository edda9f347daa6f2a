#include "UinputHIDEventSystem.h"

#include "DisplayService.h"
#include "Geometry.h"
#include "PlatformServices.h"
#include "UinputDeviceFactory.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>
#include <libevdev/libevdev.h>

struct UinputHIDEventSystem::Pen {
    std::unique_ptr<EvdevSink> sink;
    Rect desktop;
    bool inProximity = false;
    bool touching = false;
    int32_t error = 0; // the first failed write of the record being posted

    void send(uint16_t type, uint16_t code, int32_t value)
    {
        const int32_t result = sink->write(type, code, value);
        if (result != 0 && error == 0) error = result;
    }

    // Every record is one frame.
    int32_t endRecord()
    {
        send(EV_SYN, SYN_REPORT, 0);
        return std::exchange(error, 0);
    }

    void moveTo(IOGPoint location)
    {
        const auto axis = [](int16_t value, double origin, double extent) {
            const double offset = std::floor(value - origin);
            return static_cast<int32_t>(std::clamp(offset, 0.0, extent - 1));
        };
        send(EV_ABS, ABS_X, axis(location.x, desktop.x(), desktop.width()));
        send(EV_ABS, ABS_Y, axis(location.y, desktop.y(), desktop.height()));
    }

    void enterProximity()
    {
        send(EV_KEY, BTN_TOOL_PEN, 1);
        inProximity = true;
    }
};

namespace {

struct EvdevDeleter {
    void operator()(libevdev* device) const { libevdev_free(device); }
};

// The pen as desktops expect a pointer-mapped tablet: a pen tool with tip and
// two side buttons, absolute axes with a resolution, and pressure. A pointer,
// not a direct-touch screen, so it is not bound to one display.
std::unique_ptr<libevdev, EvdevDeleter> describePen(const Rect& desktop)
{
    std::unique_ptr<libevdev, EvdevDeleter> pen(libevdev_new());
    libevdev_set_name(pen.get(), UinputHIDEventSystem::kDeviceName);
    libevdev_set_id_bustype(pen.get(), BUS_VIRTUAL);
    for (unsigned code : {BTN_TOOL_PEN, BTN_TOUCH, BTN_STYLUS, BTN_STYLUS2})
        libevdev_enable_event_code(pen.get(), EV_KEY, code, nullptr);

    input_absinfo x{};
    x.maximum = truncatedInt32(desktop.width()) - 1;
    x.resolution = UinputHIDEventSystem::kUnitsPerMillimetre;
    input_absinfo y = x;
    y.maximum = truncatedInt32(desktop.height()) - 1;
    input_absinfo pressure{};
    pressure.maximum = 65535;
    libevdev_enable_event_code(pen.get(), EV_ABS, ABS_X, &x);
    libevdev_enable_event_code(pen.get(), EV_ABS, ABS_Y, &y);
    libevdev_enable_event_code(pen.get(), EV_ABS, ABS_PRESSURE, &pressure);
    libevdev_enable_property(pen.get(), INPUT_PROP_POINTER);
    return pen;
}

} // namespace

UinputHIDEventSystem::UinputHIDEventSystem(std::unique_ptr<EvdevSinkFactory> factory, DisplayService* displays)
    : factory_(factory ? std::move(factory) : std::make_unique<UinputDeviceFactory>()), displays_(displays)
{
}

UinputHIDEventSystem::~UinputHIDEventSystem() = default;

bool UinputHIDEventSystem::hasService() const
{
    return factory_->available();
}

Rect UinputHIDEventSystem::desktop() const
{
    const DisplayService* displays = displays_ ? displays_ : Platform::services().displays;
    Rect all = Rect::null();
    if (displays)
        for (DisplayID id : displays->activeDisplays()) all = all.unionWith(displays->bounds(id));
    if (all.isNull() || all.width() < 1 || all.height() < 1) return kFallbackDesktop;
    // Whole pixels: the axes count pixels from the desktop's top-left corner.
    const double x = std::floor(all.x()), y = std::floor(all.y());
    return Rect(x, y, std::ceil(all.maxX()) - x, std::ceil(all.maxY()) - y);
}

int32_t UinputHIDEventSystem::openConnection(Connection& connection)
{
    connection = 0;
    auto pen = std::make_unique<Pen>();
    pen->desktop = desktop();
    const auto description = describePen(pen->desktop);
    if (const int32_t result = factory_->create(description.get(), pen->sink); result != 0) return result;

    std::lock_guard lock(mutex_);
    connection = nextConnection_++;
    pens_.emplace(connection, std::move(pen));
    return 0;
}

std::string UinputHIDEventSystem::unavailableReason(int32_t openResult) const
{
    // Without the service the node is missing; otherwise the result is the errno of the failure.
    return std::string("cannot create the virtual pen on ") + UinputDeviceFactory::kDefaultNode + ": " +
           std::strerror(openResult == 0 ? ENOENT : openResult) +
           R"(; the udev rule KERNEL=="uinput", SUBSYSTEM=="misc", TAG+="uaccess", OPTIONS+="static_node=uinput" )"
           "(udev/70-brevola-tablet.rules) grants it";
}

int32_t UinputHIDEventSystem::closeConnection(Connection connection)
{
    std::unique_ptr<Pen> closed;
    {
        std::lock_guard lock(mutex_);
        const auto found = pens_.find(connection);
        if (found == pens_.end()) return kIOReturnNotOpen;
        closed = std::move(found->second);
        pens_.erase(found);
    }
    return 0; // the device goes away with its sink, outside the lock
}

int32_t UinputHIDEventSystem::postEvent(Connection connection, const HIDEvent& event)
{
    std::lock_guard lock(mutex_);
    const auto found = pens_.find(connection);
    if (found == pens_.end()) return kIOReturnNotOpen;
    Pen& pen = *found->second;

    switch (event.type) {
    case NX::kTabletProximity:
        if (event.data.proximity.enterProximity) {
            // At the pen's place, so the pointer does not first jump to where it last left.
            pen.moveTo(event.location);
            pen.enterProximity();
        } else {
            // A pen that leaves still pressing must not leave the button held.
            if (pen.touching) pen.send(EV_KEY, BTN_TOUCH, 0);
            pen.touching = false;
            pen.send(EV_ABS, ABS_PRESSURE, 0);
            pen.send(EV_KEY, BTN_TOOL_PEN, 0);
            pen.inProximity = false;
        }
        break;
    case NX::kMouseMoved:
    case NX::kLeftMouseDragged:
        if (event.data.mouseMove.subType == NX::kSubtypeTabletProximity) return 0;
        pen.moveTo(event.location);
        pen.send(EV_ABS, ABS_PRESSURE, event.data.mouseMove.tablet.point.pressure);
        break;
    case NX::kLeftMouseDown: {
        if (!pen.inProximity) pen.enterProximity();
        pen.moveTo(event.location);
        // The full pressure where the record has it, else its 8-bit form widened.
        const NX::MouseData& mouse = event.data.mouse;
        const int32_t pressure = mouse.tablet.point.pressure ? mouse.tablet.point.pressure : mouse.pressure * 257;
        pen.send(EV_ABS, ABS_PRESSURE, pressure);
        pen.send(EV_KEY, BTN_TOUCH, 1);
        pen.touching = true;
        break;
    }
    case NX::kLeftMouseUp:
        pen.moveTo(event.location);
        pen.send(EV_ABS, ABS_PRESSURE, 0);
        pen.send(EV_KEY, BTN_TOUCH, 0);
        pen.touching = false;
        break;
    default:
        return kIOReturnUnsupported;
    }
    return pen.endRecord();
}
