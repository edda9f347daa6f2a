#include "Geometry.h"

#include <cstdio>

namespace {
std::string number(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}
} // namespace

std::string NSStringFromPoint(const Point& p)
{
    return "{" + number(p.x) + ", " + number(p.y) + "}";
}

std::string NSStringFromRect(const Rect& r)
{
    return "{" + NSStringFromPoint(r.origin) + ", {" + number(r.size.width) + ", " +
           number(r.size.height) + "}}";
}
