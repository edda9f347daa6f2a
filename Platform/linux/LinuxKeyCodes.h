#pragma once
// The Linux key code (KEY_*) of each virtual key code of the key name tables,
// for posting keys on a virtual keyboard.
#include <cstdint>
#include <span>

class LinuxKeyCodes {
public:
    struct Row {
        uint16_t virtualKey;
        uint16_t linuxKey;
    };

    // Every row, in virtual key order: one for each code the key name tables know.
    static std::span<const Row> rows();
    // The Linux key of a virtual key code; 0 (KEY_RESERVED) for a code without a key.
    static uint16_t linuxKey(uint16_t virtualKey);
};
