#include "BTDropBoundleArea.h"

#include <gtest/gtest.h>

#include <tuple>

using D = BTDropBoundleArea;
using E = BTMouseEvent;

TEST(DropBoundleArea, StripsHitTestOnlyAPressResizesAndTheEdgeStaysWithinTheLimit)
{
    Rect area(10, 10, 100, 50);
    const Rect limit(0, 0, 200, 100);
    D edges(&area, &limit);
    const auto at = [&](Point p, E::Type type = E::LeftMouseDragged) {
        E event;
        event.type = type;
        return edges.update(event, p);
    };
    // Strips are half-open like the area; corners belong to the sides.
    const std::tuple<Point, int32_t, Qt::CursorShape> hits[] = {
        {{10, 10}, D::kLeft, Qt::SizeHorCursor},    {{110, 30}, D::kOutside, Qt::ArrowCursor},
        {{109.9, 59.9}, D::kRight, Qt::SizeHorCursor}, {{50, 59.9}, D::kTop, Qt::SizeVerCursor},
        {{50, 10}, D::kBottom, Qt::SizeVerCursor},  {{50, 30}, D::kInside, Qt::OpenHandCursor},
        {{50, 60}, D::kOutside, Qt::ArrowCursor}};
    for (const auto& [p, orient, cursor] : hits) // braces: the update runs before the cursor is read
        EXPECT_EQ((std::pair{at(p, E::MouseMoved), edges.cursor()}), std::pair(orient, cursor)) << p.x << ", " << p.y;

    // A move of the area stopped at its limit lets the pointer reach a strip:
    // no resize starts there (its step would be from a stale point).
    EXPECT_EQ(at({12, 30}), D::kLeft);
    EXPECT_EQ(at({14, 30}), D::kLeft);
    EXPECT_EQ(area, Rect(10, 10, 100, 50));
    // A pressed edge keeps its drag over another strip, until the release.
    ASSERT_EQ(at({50, 58}, E::LeftMouseDown), D::kTop);
    EXPECT_EQ(at({12, 48}), D::kTop);
    EXPECT_EQ(area, Rect(10, 10, 100, 40));
    at({12, 48}, E::LeftMouseUp);
    EXPECT_FALSE(edges.isResize());

    // A step that would pass the limit is dropped whole; the next one applies.
    at({108, 30}, E::LeftMouseDown);
    at({203, 30});
    EXPECT_EQ(area.maxX(), 110);
    at({208, 30});
    EXPECT_EQ(area.maxX(), 115);
    // Dragged past the other edge, the area keeps a strip's width.
    for (double x = 204; x > 0; x -= 4) at({x, 30});
    EXPECT_EQ(area, Rect(10, 10, D::kStrip, 40));
}
