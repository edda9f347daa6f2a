#include "BTDropBoundleArea.h"

#include <gtest/gtest.h>

TEST(DropBoundleArea, HitsAreHalfOpenAndCornersBelongToTheSides)
{
    Rect area(10, 10, 100, 50);
    const Rect limit(0, 0, 200, 100);
    BTDropBoundleArea edges(&area, &limit);
    const struct {
        Point p;
        int32_t orient;
    } cases[] = {
        {{10, 30}, BTDropBoundleArea::kLeft},       // on the minimum x edge
        {{110, 30}, BTDropBoundleArea::kOutside},   // x = maxX is outside
        {{109.9, 30}, BTDropBoundleArea::kRight},
        {{50, 59.9}, BTDropBoundleArea::kTop},
        {{50, 10}, BTDropBoundleArea::kBottom},
        {{10, 10}, BTDropBoundleArea::kLeft},       // corner
        {{109, 59}, BTDropBoundleArea::kRight},     // corner
        {{50, 30}, BTDropBoundleArea::kInside},
        {{50, 60}, BTDropBoundleArea::kOutside},
    };
    for (const auto& c : cases) {
        BTMouseEvent moved;
        EXPECT_EQ(edges.update(moved, c.p), c.orient) << c.p.x << ", " << c.p.y;
    }
}

TEST(DropBoundleArea, OnlyAPressOnAnEdgeResizesAndItKeepsThatEdge)
{
    Rect area(10, 10, 100, 50);
    const Rect limit(0, 0, 200, 100);
    BTDropBoundleArea edges(&area, &limit);
    BTMouseEvent event;
    event.type = BTMouseEvent::LeftMouseDragged;
    // A move of the area stopped at its limit lets the pointer reach a strip:
    // no resize starts there (its step would be from a stale point).
    EXPECT_EQ(edges.update(event, {12, 30}), BTDropBoundleArea::kLeft);
    EXPECT_EQ(edges.update(event, {14, 30}), BTDropBoundleArea::kLeft);
    EXPECT_EQ(area, Rect(10, 10, 100, 50));

    event.type = BTMouseEvent::LeftMouseDown;
    ASSERT_EQ(edges.update(event, {50, 58}), BTDropBoundleArea::kTop);
    event.type = BTMouseEvent::LeftMouseDragged;
    EXPECT_EQ(edges.update(event, {12, 48}), BTDropBoundleArea::kTop); // over the left strip now
    EXPECT_EQ(area, Rect(10, 10, 100, 40));
    event.type = BTMouseEvent::LeftMouseUp;
    edges.update(event, {12, 48});
    EXPECT_FALSE(edges.isResize());
}
