#include "Geometry.h"

#include <cstdio>

std::string NSStringFromPoint(const Point& p)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "{%g, %g}", p.x, p.y);
    return buf;
}

std::string NSStringFromRect(const Rect& r)
{
    char buf[192];
    std::snprintf(buf, sizeof buf, "{{%g, %g}, {%g, %g}}", r.x(), r.y(), r.width(), r.height());
    return buf;
}
