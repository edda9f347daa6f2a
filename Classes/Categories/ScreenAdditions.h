#pragma once
// Display geometry queries, pictures and names over the platform's display service.
#include "DisplayService.h"

#include <QImage>
#include <cstdint>
#include <string>

// A display's frame in window-system frame coordinates.
Rect screenSize(DisplayID screen);
// The main display's bounds, in display space.
Rect mainScreenSize();
// The union of the bounds of at most ten active displays, in display space;
// the null rectangle when there is none.
Rect allScreenSize();

// The picture of the display at this position of the active-display list, or,
// for a position at or past the count (a negative one counts as past), one
// picture of all displays that mirror no other, placed as they lie (y up) with
// one pixel per display point. A null image when a step fails (logged).
QImage screenShot(int32_t index);
// The product name the display reports; empty when it reports none.
std::string screenName(DisplayID screen);
