#include "UinputEventPosting.h"

#include "LinuxKeyCodes.h"
#include "UinputDeviceFactory.h"

#include <QCursor>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <libevdev/libevdev.h>
#include <limits>
#include <utility>

namespace {

// The modifier keys by bit, in press order; the first four are those of the flags.
constexpr std::array<uint16_t, 8> kModifierKeys{KEY_LEFTMETA,  KEY_LEFTSHIFT,  KEY_LEFTALT,  KEY_LEFTCTRL,
                                                KEY_RIGHTMETA, KEY_RIGHTSHIFT, KEY_RIGHTALT, KEY_RIGHTCTRL};
constexpr std::array<uint64_t, 4> kModifierFlags{EventPosting::kCommandFlag, EventPosting::kShiftFlag,
                                                 EventPosting::kOptionFlag, EventPosting::kControlFlag};

uint8_t modifiersOfFlags(uint64_t flags)
{
    uint8_t bits = 0;
    for (size_t i = 0; i < kModifierFlags.size(); ++i)
        if (flags & kModifierFlags[i]) bits |= static_cast<uint8_t>(1u << i);
    return bits;
}

uint8_t modifierOfKey(uint16_t key)
{
    const auto found = std::find(kModifierKeys.begin(), kModifierKeys.end(), key);
    return found == kModifierKeys.end() ? 0 : static_cast<uint8_t>(1u << (found - kModifierKeys.begin()));
}

struct EvdevDeleter {
    void operator()(libevdev* device) const { libevdev_free(device); }
};

std::unique_ptr<libevdev, EvdevDeleter> describeKeyboardAndMouse()
{
    std::unique_ptr<libevdev, EvdevDeleter> device(libevdev_new());
    libevdev_set_name(device.get(), UinputEventPosting::kDeviceName);
    libevdev_set_id_bustype(device.get(), BUS_VIRTUAL);
    for (const LinuxKeyCodes::Row& row : LinuxKeyCodes::rows())
        libevdev_enable_event_code(device.get(), EV_KEY, row.linuxKey, nullptr);
    for (unsigned button : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE})
        libevdev_enable_event_code(device.get(), EV_KEY, button, nullptr);
    // Relative X and Y are never sent, but make the device a mouse to the desktop.
    for (unsigned axis : {REL_X, REL_Y, REL_WHEEL, REL_WHEEL_HI_RES, REL_HWHEEL, REL_HWHEEL_HI_RES})
        libevdev_enable_event_code(device.get(), EV_REL, axis, nullptr);
    return device;
}

} // namespace

UinputEventPosting::UinputEventPosting(std::unique_ptr<EvdevSinkFactory> factory)
    : factory_(factory ? std::move(factory) : std::make_unique<UinputDeviceFactory>())
{
}

UinputEventPosting::~UinputEventPosting() = default;

int32_t UinputEventPosting::open()
{
    if (device_) return 0;
    const auto description = describeKeyboardAndMouse();
    return factory_->create(description.get(), device_);
}

Point UinputEventPosting::pointerLocation() const
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return Point();
    const QPoint at = QCursor::pos();
    return Point{static_cast<double>(at.x()), static_cast<double>(at.y())};
}

void UinputEventPosting::send(uint16_t type, uint16_t code, int32_t value)
{
    const int32_t result = device_->write(type, code, value);
    if (result != 0 && error_ == 0) error_ = result;
}

void UinputEventPosting::sendKey(uint16_t key, int32_t value)
{
    send(EV_KEY, key, value);
    send(EV_SYN, SYN_REPORT, 0);
}

int32_t UinputEventPosting::takeError()
{
    return std::exchange(error_, 0);
}

void UinputEventPosting::holdModifiers(Modifiers wanted)
{
    for (size_t i = kModifierKeys.size(); i-- > 0;)
        if ((held_ & ~wanted) & (1u << i)) sendKey(kModifierKeys[i], 0);
    for (size_t i = 0; i < kModifierKeys.size(); ++i)
        if ((wanted & ~held_) & (1u << i)) sendKey(kModifierKeys[i], 1);
    held_ = wanted;
}

int32_t UinputEventPosting::postKeyboardEvent(uint16_t virtualKey, uint64_t flags, bool down)
{
    if (!device_) return kNotOpen;
    const uint16_t key = LinuxKeyCodes::linuxKey(virtualKey);
    if (key == KEY_RESERVED) return kUnknownKey;
    // A modifier key itself is held or released as one pressed on its own, so
    // the chords around it cannot release it behind its back.
    if (modifierOfKey(key) != 0) return postModifierKeyEvent(virtualKey, down);
    if (down) {
        chord_ = modifiersOfFlags(flags);
        holdModifiers(chord_ | standalone_);
        sendKey(key, 1);
        keysDown_.insert(key);
    } else {
        // The flags of a release are those of its press: the chord is already held.
        sendKey(key, 0);
        keysDown_.erase(key);
        if (keysDown_.empty()) chord_ = 0;
        holdModifiers(chord_ | standalone_);
    }
    return takeError();
}

int32_t UinputEventPosting::postModifierKeyEvent(uint16_t virtualKey, bool down)
{
    if (!device_) return kNotOpen;
    const Modifiers modifier = modifierOfKey(LinuxKeyCodes::linuxKey(virtualKey));
    if (modifier == 0) return kUnknownKey;
    standalone_ = down ? (standalone_ | modifier) : (standalone_ & ~modifier);
    holdModifiers(chord_ | standalone_);
    return takeError();
}

int32_t UinputEventPosting::postMouseEvent(uint32_t eventType, uint32_t button, int64_t, Point)
{
    if (!device_) return kNotOpen;
    uint16_t code = 0;
    bool press = false;
    switch (eventType) {
    case kLeftMouseDown:
    case kLeftMouseUp:
        code = BTN_LEFT;
        press = eventType == kLeftMouseDown;
        break;
    case kRightMouseDown:
    case kRightMouseUp:
        code = BTN_RIGHT;
        press = eventType == kRightMouseDown;
        break;
    case kOtherMouseDown:
    case kOtherMouseUp: {
        constexpr std::array<uint16_t, 3> kByNumber{BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};
        if (button >= kByNumber.size()) return kUnknownKey;
        code = kByNumber[button];
        press = eventType == kOtherMouseDown;
        break;
    }
    default:
        return kUnknownKey;
    }
    sendKey(code, press ? 1 : 0);
    return takeError();
}

void UinputEventPosting::scrollAxis(uint16_t highResolutionAxis, uint16_t detentAxis, int32_t pixels, int64_t& total)
{
    if (pixels == 0) return;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    const int64_t units = std::clamp(int64_t{pixels} * kHighResolutionPerPixel, -kMax, kMax);
    send(EV_REL, highResolutionAxis, static_cast<int32_t>(units));
    total += units;
    // Whole detents toward zero; the remainder keeps its sign for the next scroll.
    const int64_t detents = total / kHighResolutionPerDetent;
    if (detents != 0) {
        send(EV_REL, detentAxis, static_cast<int32_t>(detents));
        total -= detents * kHighResolutionPerDetent;
    }
}

int32_t UinputEventPosting::postScrollWheelEvent(int32_t verticalPixels, int32_t horizontalPixels)
{
    if (!device_) return kNotOpen;
    if (verticalPixels == 0 && horizontalPixels == 0) return 0;
    scrollAxis(REL_WHEEL_HI_RES, REL_WHEEL, verticalPixels, vertical_);
    scrollAxis(REL_HWHEEL_HI_RES, REL_HWHEEL, horizontalPixels, horizontal_);
    send(EV_SYN, SYN_REPORT, 0);
    return takeError();
}
