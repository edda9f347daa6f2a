#pragma once
// Posting keyboard, mouse and scroll events into the window system, and
// reading the pointer's location (display space).
//
// Key codes are the design's virtual key codes; modifier flags are the
// window system's bits below. Every post returns 0 on success or a platform
// error code.
#include "Geometry.h"

#include <cstdint>

class EventPosting {
public:
    // Modifier flag bits carried by a keyboard event.
    static constexpr uint64_t kShiftFlag = 0x20000;
    static constexpr uint64_t kControlFlag = 0x40000;
    static constexpr uint64_t kOptionFlag = 0x80000;
    static constexpr uint64_t kCommandFlag = 0x100000;

    // Mouse event types: press and release of each button.
    static constexpr uint32_t kLeftMouseDown = 1;
    static constexpr uint32_t kLeftMouseUp = 2;
    static constexpr uint32_t kRightMouseDown = 3;
    static constexpr uint32_t kRightMouseUp = 4;
    static constexpr uint32_t kOtherMouseDown = 25;
    static constexpr uint32_t kOtherMouseUp = 26;

    virtual ~EventPosting() = default;

    // The pointer's current location, as a new source-less event reports it.
    virtual Point pointerLocation() const = 0;

    // One key going down or up with exactly these modifier flags on it (0
    // clears every modifier, whatever keys are physically held); no events
    // for the modifier keys themselves.
    virtual int32_t postKeyboardEvent(uint16_t virtualKey, uint64_t flags, bool down) = 0;
    // A modifier key itself (Command 55, Shift 56, Option 58, Control 59)
    // going down or up, with no flags attached.
    virtual int32_t postModifierKeyEvent(uint16_t virtualKey, bool down) = 0;
    // One mouse button event of the given type at a location (display space),
    // with its click state (1 single, 2 the second click of a double click).
    virtual int32_t postMouseEvent(uint32_t eventType, uint32_t button, int64_t clickState, Point location) = 0;
    // One scroll-wheel event in pixels: wheel 1 vertical, wheel 2 horizontal.
    virtual int32_t postScrollWheelEvent(int32_t verticalPixels, int32_t horizontalPixels) = 0;
};
