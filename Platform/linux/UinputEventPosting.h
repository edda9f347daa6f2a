#pragma once
// Event posting on Linux: a virtual keyboard and mouse on uinput. Main thread
// only (the shortcut executor runs there).
//
// Keys: the virtual key code goes through LinuxKeyCodes. A key event cannot
// carry modifier flags on Linux, so the flags become modifier keys held
// around the key: a key going down first brings the held modifiers to exactly
// its flags, and they stay held while any key pressed this way is down (a
// held key repeats with its chord); when the last one goes up they are
// released in reverse order. So a down and an up with the same flags give a
// balanced sequence, and so do two chords pressed and released in turn.
// A key pressed again while down stays down until its one release, as a
// hardware key held over several reports is pressed again with each.
// Modifiers pressed on their own (postModifierKeyEvent, or a modifier key sent
// as a key) stay held until their own release, whatever chords come between.
//
// Clicks: a button press or release of the three buttons. Uinput has no way
// to put a relative mouse at an absolute place, so a click lands where the
// pointer is; the pen's absolute moves have already put it there. The click
// state is not sent either: the desktop counts a double click from the timing
// of the clicks, as it does for a real mouse.
//
// Scrolling: pixels keep their sign (positive is the wheel turned away from
// the user, as REL_WHEEL counts; positive horizontal is REL_HWHEEL's right).
// kPixelsPerDetent pixels are one wheel detent, 120 units of REL_WHEEL_HI_RES;
// REL_WHEEL counts each whole detent as the running total passes it, keeping
// the remainder, so both streams always agree on the distance.
//
// Each key, button or scroll change is its own frame (SYN_REPORT), in order.
#include "EvdevSinkFactory.h"
#include "EventPosting.h"

#include <memory>
#include <set>

class UinputEventPosting : public EventPosting {
public:
    static constexpr const char* kDeviceName = "Brevola Virtual Keyboard";
    // One wheel detent; a scroll shortcut moves 5 pixels on its press and 5
    // on its release, so one press and release of it is one detent.
    static constexpr int32_t kPixelsPerDetent = 10;
    static constexpr int32_t kHighResolutionPerDetent = 120;
    static constexpr int32_t kHighResolutionPerPixel = kHighResolutionPerDetent / kPixelsPerDetent;
    static_assert(kHighResolutionPerDetent % kPixelsPerDetent == 0);

    // What a post returns before open() succeeded.
    static constexpr int32_t kNotOpen = 19; // ENODEV
    // What a post returns for a key, modifier, button or event type that has no Linux key.
    static constexpr int32_t kUnknownKey = 22; // EINVAL

    // factory: null makes the device on /dev/uinput.
    explicit UinputEventPosting(std::unique_ptr<EvdevSinkFactory> factory = nullptr);
    ~UinputEventPosting() override;

    // Creates the virtual keyboard and mouse: 0, or the errno value of the failure.
    int32_t open();
    bool isOpen() const { return device_ != nullptr; }

    // Qt's cursor position (display space); the origin without a GUI application.
    Point pointerLocation() const override;

    int32_t postKeyboardEvent(uint16_t virtualKey, uint64_t flags, bool down) override;
    int32_t postModifierKeyEvent(uint16_t virtualKey, bool down) override;
    // The location is not used: the click lands at the pointer (see above).
    int32_t postMouseEvent(uint32_t eventType, uint32_t button, int64_t clickState, Point location) override;
    int32_t postScrollWheelEvent(int32_t verticalPixels, int32_t horizontalPixels) override;

private:
    // Bits of the modifier keys, in press order.
    using Modifiers = uint8_t;

    void sendKey(uint16_t key, int32_t value);
    void send(uint16_t type, uint16_t code, int32_t value);
    int32_t takeError();
    void holdModifiers(Modifiers wanted);
    void scrollAxis(uint16_t highResolutionAxis, uint16_t detentAxis, int32_t pixels, int64_t& total);

    std::unique_ptr<EvdevSinkFactory> factory_;
    std::unique_ptr<EvdevSink> device_;
    int32_t error_ = 0;

    Modifiers held_ = 0;       // modifier keys down on the device
    Modifiers chord_ = 0;      // modifiers the chords of the held keys want
    Modifiers standalone_ = 0; // modifiers pressed on their own
    std::set<uint16_t> keysDown_; // keys pressed through postKeyboardEvent, not yet released

    // Running scroll totals in high-resolution units, whole detents already sent.
    int64_t vertical_ = 0;
    int64_t horizontal_ = 0;
};
