#include "DisplayService.h"

Rect DisplayService::frame(DisplayID display) const
{
    const Rect b = bounds(display);
    const double mainHeight = bounds(mainDisplay()).height();
    return Rect(b.x(), mainHeight - (b.y() + b.height()), b.width(), b.height());
}
