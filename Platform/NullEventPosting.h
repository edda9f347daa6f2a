#pragma once
// Event posting where no backend can post: every event is dropped and
// reported as not posted; the pointer stays at the origin.
#include "EventPosting.h"

class NullEventPosting : public EventPosting {
public:
    // What every post returns: the backend is not available.
    static constexpr int32_t kNotAvailable = -1;

    Point pointerLocation() const override { return Point(); }
    int32_t postKeyboardEvent(uint16_t, uint64_t, bool) override { return kNotAvailable; }
    int32_t postModifierKeyEvent(uint16_t, bool) override { return kNotAvailable; }
    int32_t postMouseEvent(uint32_t, uint32_t, int64_t, Point) override { return kNotAvailable; }
    int32_t postScrollWheelEvent(int32_t, int32_t) override { return kNotAvailable; }
};
