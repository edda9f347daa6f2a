#include "QtDisplayService.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

// The offscreen platform has one screen; its geometry is what Qt reports.
TEST(QtDisplayService, ListsTheScreensPrimaryFirstInBothCoordinateSpaces)
{
    QtDisplayService displays;
    const auto ids = displays.activeDisplays();
    ASSERT_EQ(ids.size(), static_cast<size_t>(QGuiApplication::screens().size()));
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(displays.mainDisplay(), ids.front());
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(displays.bounds(ids.front()), Rect(g.x(), g.y(), g.width(), g.height()));
    // The main display's frame is its bounds with y flipped about its own height.
    EXPECT_EQ(displays.frame(ids.front()), Rect(g.x(), -g.y(), g.width(), g.height()));
    EXPECT_EQ(std::pair(displays.mirrorOf(ids.front()), displays.productName(ids.front()).empty()), std::pair(0u, false));
    EXPECT_EQ(std::pair(displays.bounds(0), displays.bounds(ids.back() + 1)), std::pair(Rect(), Rect()));
    EXPECT_TRUE(displays.activeDisplays(0).empty());
}
