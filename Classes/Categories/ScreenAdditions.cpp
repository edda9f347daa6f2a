#include "ScreenAdditions.h"

#include "PlatformServices.h"

namespace {
const DisplayService* displays() { return Platform::services().displays; }
} // namespace

Rect screenSize(DisplayID screen)
{
    return displays() ? displays()->frame(screen) : Rect();
}

Rect mainScreenSize()
{
    return displays() ? displays()->bounds(displays()->mainDisplay()) : Rect();
}

Rect allScreenSize()
{
    Rect all = Rect::null();
    if (!displays()) return all;
    for (DisplayID id : displays()->activeDisplays(10)) all = all.unionWith(displays()->bounds(id));
    return all;
}
