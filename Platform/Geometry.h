#pragma once
// Plain geometry records in double precision, standing in for the platform's
// point, size and rectangle types. Display space has its origin at the top-left
// of the main display (y down); window-system frames at the bottom-left (y up).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }

    // The null rectangle: the identity of union, as the platform defines it.
    static Rect null() {
        const double inf = std::numeric_limits<double>::infinity();
        return Rect(inf, inf, 0, 0);
    }
    bool isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }

    Rect unionWith(const Rect& other) const {
        if (isNull()) return other;
        if (other.isNull()) return *this;
        const double x0 = std::min(origin.x, other.origin.x);
        const double y0 = std::min(origin.y, other.origin.y);
        const double x1 = std::max(maxX(), other.maxX());
        const double y1 = std::max(maxY(), other.maxY());
        return Rect(x0, y0, x1 - x0, y1 - y0);
    }

    bool contains(const Point& p) const {
        return p.x >= origin.x && p.x < maxX() && p.y >= origin.y && p.y < maxY();
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// A coordinate or size as a whole number: truncated toward zero, saturated at
// the int32 range, NaN as 0. Every double -> int32 conversion goes through here:
// a plain cast of a value outside the range is undefined.
inline int32_t truncatedInt32(double v)
{
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(v, lo, hi));
}

// The platform's text forms, "{x, y}" and "{{x, y}, {w, h}}".
std::string NSStringFromPoint(const Point& p);
std::string NSStringFromRect(const Rect& r);
