#pragma once
// Display geometry queries over the platform's display service.
#include "DisplayService.h"

// A display's frame in window-system frame coordinates.
Rect screenSize(DisplayID screen);
// The main display's bounds, in display space.
Rect mainScreenSize();
// The union of the bounds of at most ten active displays, in display space;
// the null rectangle when there is none.
Rect allScreenSize();
