#pragma once
// The displays: ids in the platform's order with the main display first,
// bounds in display space (origin top-left of the main display, y down),
// window-system frames (origin bottom-left of the main display, y up),
// mirroring, names, pictures of their contents. A change of the layout posts
// "NSApplicationDidChangeScreenParametersNotification" on the default centre.
#include "Geometry.h"

#include <QImage>

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
    // The name the display itself reports (its model), or empty when it gives none.
    virtual std::string modelName(DisplayID display) const = 0;
    // A picture of what the display shows, one pixel per device pixel;
    // a null image when it cannot be taken.
    virtual QImage picture(DisplayID display) const = 0;

    // Window-system frame of a display: y flipped about the main display's height.
    Rect frame(DisplayID display) const;
};
