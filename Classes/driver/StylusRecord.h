#pragma once
// The driver's state of one tablet report: position, pressure, buttons,
// proximity and the pointer identity that proximity events carry. A plain
// value: copying it copies the whole record.
#include "Geometry.h"
#include "HIDEventSystem.h"

#include <algorithm>
#include <cstdint>
#include <limits>

// Raw-report values that events copy.
struct MyReport {
    int16_t proximity = 0;
    int16_t buttons = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t pressure = 0;
};

// Bits of a report's button mask; bit i is also key id i.
namespace StylusMask {
inline constexpr uint16_t kButton1 = 0x0020; // stylus button 1, key id 5
inline constexpr uint16_t kButton2 = 0x0040; // stylus button 2, key id 6
inline constexpr uint16_t kTip = 0x0080;     // key id 7
inline constexpr uint16_t kRelease = 0x8000; // every key released
inline constexpr int kButton1Key = 5;
inline constexpr int kButton2Key = 6;
inline constexpr int kTipKey = 7;
} // namespace StylusMask

struct StylusRecord {
    struct IntPoint {
        int32_t x = 0;
        int32_t y = 0;
        friend bool operator==(const IntPoint&, const IntPoint&) = default;
    };
    struct ShortPoint {
        int16_t x = 0;
        int16_t y = 0;
    };

    // A coordinate truncated toward zero, kept defined for values beyond
    // int32 (a huge cursor offset) and for NaN (a degenerate mapping).
    static int32_t truncated(double v) { return truncatedInt32(v); }

    // Key ids 0-9 that have held flags.
    static constexpr int kHeldButtons = 10;

    Point scrPos;  // display space, after mapping, smoothing and the cursor offset
    Point oldPos;
    IOGPoint ioPos; // scrPos truncated; moves measure dx and dy on it
    uint8_t subx = 0;
    uint8_t suby = 0;
    MyReport report;
    IntPoint point;  // smoothed mapped position, truncated
    IntPoint old;    // what motion is measured from
    IntPoint motion; // point - old
    ShortPoint tilt;
    uint16_t raw_pressure = 0;
    uint16_t pressure = 0; // 0-65535
    bool button_click = false;
    uint16_t button_mask = 0;
    bool button[kHeldButtons] = {};
    bool off_tablet = false;
    bool pen_near = false; // a held stylus button was dispatched; not again until release
    bool eraser_flag = false;
    uint16_t menu_button = 0;
    uint16_t tool = 0;
    int32_t toolid = 0;
    int64_t serialno = 0;
    int16_t rotation = 0;
    int16_t wheel = 0;
    int16_t throttle = 0;
    NX::_NXTabletProximityData proximity;
};
