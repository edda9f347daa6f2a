#pragma once
// Tablet reports built from their fields, for tests and benchmarks.
#include <array>
#include <cstdint>

using TabletReport = std::array<uint8_t, 32>;

inline constexpr uint8_t kOut = 0x00;
inline constexpr uint8_t kHover = 0x20; // in range, nothing pressed
inline constexpr uint8_t kTip = 0xC1;
inline constexpr uint8_t kButton1 = 0xC2;
inline constexpr uint8_t kButton2 = 0xC4;

// A stylus report. The low bit of x travels in bit 7 of the status byte, so
// it follows the status; y is whole.
inline TabletReport stylusReport(uint8_t status, int x, int y, int rawPressure = 0)
{
    return {2,
            status,
            static_cast<uint8_t>(x >> 1),
            static_cast<uint8_t>(((x >> 9) & 0x7F) | ((y & 1) << 7)),
            static_cast<uint8_t>(y >> 1),
            static_cast<uint8_t>((y >> 9) & 0x7F),
            static_cast<uint8_t>(rawPressure),
            static_cast<uint8_t>(rawPressure >> 8)};
}

inline TabletReport keyReport(int key)
{
    return {2, 0xE0, 0, 0, static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8)};
}
