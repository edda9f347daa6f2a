#pragma once
// The displays: ids in the platform's order with the main display first,
// bounds in display space (origin top-left of the main display, y down),
// window-system frames (origin bottom-left of the main display, y up),
// mirroring, names. A change of the layout posts
// "NSApplicationDidChangeScreenParametersNotification" on the default centre.
#include "Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

using DisplayID = uint32_t;

inline constexpr const char* kScreenParametersDidChange = "NSApplicationDidChangeScreenParametersNotification";

class DisplayService {
public:
    virtual ~DisplayService() = default;

    // At most maxDisplays active displays, main display first; empty when there are none.
    virtual std::vector<DisplayID> activeDisplays(size_t maxDisplays = 32) const = 0;
    // 0 when there is no display.
    virtual DisplayID mainDisplay() const = 0;
    virtual Rect bounds(DisplayID display) const = 0;
    // The display this one mirrors, or 0.
    virtual DisplayID mirrorOf(DisplayID display) const = 0;
    virtual std::string productName(DisplayID display) const = 0;

    // Window-system frame of a display: y flipped about the main display's height.
    Rect frame(DisplayID display) const;
};
