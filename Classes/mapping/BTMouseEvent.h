#pragma once
// A mouse or pen event as the mapping views handle it: its kind, where it
// happened in view coordinates (y up) and the tablet fields the test pad logs.
#include "Geometry.h"

#include <cstdint>

struct BTMouseEvent {
    enum Type { LeftMouseDown, LeftMouseUp, LeftMouseDragged, MouseMoved, MouseEntered, MouseExited };

    Type type = MouseMoved;
    Point locationInView;
    float pressure = 0;     // 0 to 1
    int32_t capabilityMask = 0; // the pointing device's capabilities
    int32_t clickCount = 0;
    int32_t buttonNumber = 0; // 0 left, 1 right, 2 middle, ...
    int32_t buttonMask = 0;   // buttons held, one bit each
};
