#pragma once
// Where a virtual input device's events go: one evdev event at a time. The
// uinput backends write through this, so their translation can be read back
// by a recording sink instead of reaching the desktop.
#include <cstdint>

class EvdevSink {
public:
    virtual ~EvdevSink() = default;

    // Writes one event (EV_KEY, BTN_TOUCH, 1; EV_SYN, SYN_REPORT, 0; ...):
    // 0, or the errno value of the failure.
    virtual int32_t write(uint16_t type, uint16_t code, int32_t value) = 0;
};
