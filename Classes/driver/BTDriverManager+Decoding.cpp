// Report decoding: pressure, the button mask, the position and its batching
// and smoothing, and the hand-over to the stylus state machine.
#include "BTDriverManager.h"

#include "BTScreenManager.h"
#include "NotificationCenter.h"

#include <algorithm>
#include <cmath>

const char* const kUpdatePressureNotification = "updatePressure";

namespace {

constexpr uint8_t kStatusOutOfRange = 0x00;
constexpr uint8_t kStatusTip = 0xC1;
constexpr uint8_t kStatusButton1 = 0xC2;
constexpr uint8_t kStatusButton2 = 0xC4;
constexpr uint8_t kStatusKeys = 0xE0;


// Anything at or below this many counts of the 8192-level scale reads as no pressure.
constexpr float kPressureFloor = 2000.0f;

uint16_t buttonMask(const uint8_t* report)
{
    switch (report[1]) {
    case kStatusTip: return StylusMask::kTip;
    case kStatusButton1: return StylusMask::kButton1;
    case kStatusButton2: return StylusMask::kButton2;
    case kStatusKeys: {
        const unsigned key = report[4] | (report[5] << 8);
        return (key >= 1 && key <= 16) ? static_cast<uint16_t>(1u << (key - 1)) : StylusMask::kRelease;
    }
    default: return 0;
    }
}

} // namespace

void BTDriverManager::didReceiveReport(const uint8_t* report, int32_t)
{
    stylus_.button_click = false;
    stylus_.button_mask = 0;
    std::copy(std::begin(oldStylus_.button), std::end(oldStylus_.button), std::begin(stylus_.button));

    const float levels = _vexloSettings.pressureLevels.load(std::memory_order_relaxed);
    const int32_t raw = _vexloSettings.mouseMode.load(std::memory_order_relaxed)
                            ? truncatedInt32(levels)
                            : (report[6] | (report[7] << 8));
    float v = std::trunc(std::min(static_cast<float>(raw) * _pressureMod.load(std::memory_order_relaxed), levels));
    float p = v / levels;

    // Above the dead zone the remaining travel is stretched back over 0..1, so
    // the response stays continuous at the threshold and reaches 1 at full pressure.
    const float d = pressureDeadZone();
    if (d > 0) {
        p = (p < d || d >= 1.0f) ? 0.0f : (p - d) / (1.0f - d);
        v = std::trunc(levels * p);
    }

    if (showPressure())
        NotificationCenter::defaultCenter().postNotification(kUpdatePressureNotification, nullptr,
                                                             {{"pressure", p * 100.0f}});

    stylus_.pressure = v > kPressureFloor ? static_cast<uint16_t>(std::trunc(v / levels * 65535.0)) : 0;

    const uint16_t mask = buttonMask(report);
    stylus_.off_tablet = report[1] == kStatusOutOfRange;

    if (!calculateXYCoordsWithReport(report) && (mask == 0 || (mask & StylusMask::kTip))) return;

    stylus_.button_click = mask != 0;
    stylus_.button_mask = mask;
    for (int i = 0; i < StylusRecord::kHeldButtons; ++i)
        stylus_.button[i] = ((mask >> i) & 1) || oldStylus_.button[i];

    updateStylusStatus();
    oldStylus_ = stylus_;
}

bool BTDriverManager::calculateXYCoordsWithReport(const uint8_t* report)
{
    // A key report carries the key number where a position would be; as a
    // position it would pull the pointer toward the tablet's edge.
    if (report[1] == kStatusKeys) return false;

    int32_t bits[32];
    bits[0] = (report[1] >> 7) & 1;
    for (int byte = 2; byte <= 5; ++byte) {
        const int first = 1 + (byte - 2) * 8;
        const int count = byte == 5 ? 7 : 8;
        for (int b = 0; b < count; ++b) bits[first + b] = (report[byte] >> b) & 1;
    }
    const double x = intWithBits(bits, 15, 16);
    const double y = intWithBits(bits, 31, 16);

    double mx = 0, my = 0;
    if (const BTScreenManager* manager = screenManager()) {
        const BTScreenManager::Mapped mapped = manager->mapTabletCoordinatesToDisplaySpaceWithPoint({x, y}, tabletMapping());
        mx = mapped.x;
        my = mapped.y;
    }

    PositionBatch& batch = positionBatch_;
    if (batch.count < 3) {
        batch.x[batch.count] = mx;
        batch.y[batch.count] = my;
        ++batch.count;
        return false;
    }
    batch.count = 0;

    double sx[3], sy[3];
    smoothLinear3(batch.x, 3, sx);
    smoothLinear3(batch.y, 3, sy);
    const Point offset = cursorOffset();
    for (int i = 0; i < 3; ++i) {
        stylus_.point = {StylusRecord::truncated(sx[i]), StylusRecord::truncated(sy[i])};
        stylus_.motion = {stylus_.point.x - stylus_.old.x, stylus_.point.y - stylus_.old.y};
        stylus_.scrPos = {sx[i] + offset.x, sy[i] + offset.y};
        stylus_.ioPos = {static_cast<int16_t>(StylusRecord::truncated(stylus_.scrPos.x)),
                         static_cast<int16_t>(StylusRecord::truncated(stylus_.scrPos.y))};
        if (stylus_.motion.x != 0 || stylus_.motion.y != 0) postMoveOrDragEvent(NX::kMouseMoved);
    }
    return true;
}

int32_t BTDriverManager::intWithBits(const int32_t* bits, int32_t startIndex, int32_t length)
{
    if (length < 1) return 0;
    uint32_t value = 0;
    for (int32_t j = 0; j < length; ++j)
        value += static_cast<uint32_t>(bits[startIndex - j]) << (length - 1 - j);
    return static_cast<int32_t>(value);
}

void BTDriverManager::smoothLinear3(const double* a, int32_t n, double* o)
{
    if (n <= 0) return;
    if (n <= 2) {
        std::copy(a, a + n, o);
        return;
    }
    o[0] = (5 * a[0] + 2 * a[1] - a[2]) / 6;
    for (int32_t i = 1; i <= n - 2; ++i) o[i] = (a[i - 1] + a[i] + a[i + 1]) / 3;
    o[n - 1] = (5 * a[n - 1] + 2 * a[n - 2] - a[n - 3]) / 6;
}

std::string BTDriverManager::bitStringWithInt(int32_t value)
{
    std::string s;
    for (int i = 0; i < 8; ++i) s += ((value >> i) & 1) ? '1' : '0';
    return s;
}

std::string BTDriverManager::bitStringWithArray(const int32_t* bits, int32_t length)
{
    std::string s;
    for (int32_t i = 0; i < length; ++i) s += std::to_string(bits[i]);
    return s;
}

std::string BTDriverManager::bitStringWithBits(const int32_t* bits, int32_t startIndex, int32_t length)
{
    const std::string forward = bitStringWithArray(bits + startIndex, length);
    // Decimal text is ASCII: one UTF-16 unit per character each way.
    const std::u16string reversed = reverseString(std::u16string(forward.begin(), forward.end()));
    return std::string(reversed.begin(), reversed.end());
}

std::u16string BTDriverManager::reverseString(const std::u16string& string)
{
    return std::u16string(string.rbegin(), string.rend());
}
