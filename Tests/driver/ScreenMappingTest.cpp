#include "DriverHarness.h"
#include "LogCapture.h"
#include "SafeAccess.h"
#include "ScreenAdditions.h"

#include <gtest/gtest.h>

// Rotations, clamping to the tablet mapping and scaling onto the screen
// mapping; an empty tablet mapping puts everything on the screen mapping's origin.
TEST(ScreenMapping, RotationsClampAndScaleOntoTheScreenMapping)
{
    DriverHarness h;
    BTScreenManager& s = h.screens();
    const double X = 100, Y = 50; // the screen mapping's origin
    s.setScreenMapping(Rect(X, Y, 1920, 1080));
    const double right = 1920.0 / 65535 * 65534, bottom = 1080.0 / 65535 * 65534;
    const Rect kFull(0, 0, 65535, 65535), sub(10000, 10000, 20000, 10000);
    const std::tuple<int, Point, Rect, double, double> cases[] = { // rotation, in, tablet mapping, out x, y
        {0, {0, 0}, kFull, 0, 0},
        {0, {65535, 65535}, kFull, right, bottom},
        {0, {-50, 70000}, kFull, 0, bottom},
        {90, {0, 0}, kFull, right, 0},
        {180, {0, 0}, kFull, right, bottom},
        {270, {0, 0}, kFull, 0, bottom},
        {45, {0, 0}, kFull, 0, 0}, // anything else is no rotation
        {0, {20000, 15000}, sub, 1920.0 / 20000 * 10000, 1080.0 / 10000 * 5000},
        {0, {300, 400}, Rect(5, 5, 0, 100), 0, 0},
        {0, {300, 400}, Rect(5, 5, 100, 0), 0, 0},
    };
    for (const auto& [rotation, in, mapping, x, y] : cases) {
        s.setRotation(rotation);
        const auto m = s.mapTabletCoordinatesToDisplaySpaceWithPoint(in, mapping);
        EXPECT_DOUBLE_EQ(m.x, X + x) << rotation << " " << in.x;
        EXPECT_DOUBLE_EQ(m.y, Y + y) << rotation << " " << in.x;
    }
    s.setRotation(0);
    const auto corner = s.mapTabletCoordinatesToDisplaySpaceWithPoint({65535, 65535}, kFull);
    EXPECT_EQ(std::pair(corner.subx, corner.suby), std::pair(248.0, 251.0));
}

// With a target display on a larger desktop the mapping flips about the main
// display; with no target the bounds are the whole desktop and nothing flips.
// An unplugged target falls back to the main display.
TEST(ScreenMapping, ScreenMappingFlipsOnlyForATargetAndAnUnpluggedOneFallsBack)
{
    DriverHarness two({Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 1024)});
    BTScreenManager& s = two.screens();
    s.setScreenMapping(Rect(0, 100, 1920, 900));
    EXPECT_EQ(s.screenMapping(), Rect(0, 1080 - (100 + 900), 1920, 900));
    s.setTargetScreen(0);
    EXPECT_EQ(s.screenBounds(), Rect(0, 0, 3200, 1080));
    LogCapture log;
    s.setScreenMapping(Rect(0, 100, 1920, 900));
    EXPECT_EQ(s.screenMapping(), Rect(0, 100, 1920, 900));
    EXPECT_EQ(log.lines().back(), "Updated Screen Mapping: 0.00, 100.00 - 1920.00, 900.00\n");

    s.setTargetScreen(two.displays().activeDisplays()[1]);
    EXPECT_EQ(two.driver()._vexloSettings.monitorArea.load(), Rect(1920, 1080 - 1024, 1280, 1024));
    two.displays().setLayout({Rect(0, 0, 2560, 1440)});
    EXPECT_EQ(std::tuple(s.targetScreen(), s.screenBounds(), two.driver()._vexloSettings.monitorArea.load()),
              std::tuple(two.displays().mainDisplay(), Rect(0, 0, 2560, 1440), Rect(0, 0, 2560, 1440)));
}

TEST(ScreenMapping, DriverMappingOperations)
{
    DriverHarness h;
    BTDriverManager& d = h.driver();
    d.setTabletArea(Rect(0, 0, 40000, 30000));
    d.setTabletMapping(Rect(-1, -1, -1, -1));
    EXPECT_EQ(d.tabletMapping(), Rect(0, 0, 40000, 30000));
    d.setTabletMapping(Rect(0.1, 0, 100, 100));
    EXPECT_EQ(d.tabletMapping().x(), static_cast<double>(0.1f));

    d.setTabletRotation(180);
    LogCapture log;
    d.initializeScreenSettings();
    EXPECT_TRUE(log.contains("initializing screen seettings"));
    // A stored rotation works without the panel.
    EXPECT_EQ(std::tuple(d.screenManager(), h.screens().rotation(), h.screens().screenMapping()),
              std::tuple(&h.screens(), 180, Rect(0, 0, 1920, 1080)));

    d.setTabletArea(Rect(100, 200, 300, 400));
    d.updateTabletMapping();
    EXPECT_EQ(d.tabletMapping(), Rect(100, 200, 300, 400));
    // Values no int32 holds reach the record saturated, NaN as 0.
    d.setScreenArea(Rect(std::nan(""), 1e30, -1e30, 5.9));
    const auto& s = d._vexloSettings;
    EXPECT_EQ(std::tuple(s.screenOffsetX.load(), s.screenOffsetY.load(), s.screenWidth.load(), s.screenHeight.load()),
              std::tuple(0, INT32_MAX, INT32_MIN, 5));
}

TEST(ScreenMapping, SafeAccessAndDisplayQueries)
{
    const std::vector<int> v{10, 20};
    EXPECT_EQ(std::tuple(safeObjectAtIndex(v, 5), safeObjectAtIndex(v, 1), safeObjectAtIndexForScreen(v, 5)),
              std::tuple(nullptr, &v[1], &v[0])); // out of range: none, or the first for a screen
    EXPECT_EQ(safeObjectAtIndexForScreen(std::vector<int>{}, 0), nullptr);

    DriverHarness h({Rect(0, 0, 1920, 1080), Rect(-1280, -200, 1280, 1024)});
    EXPECT_EQ(std::tuple(mainScreenSize(), allScreenSize(), screenSize(h.displays().activeDisplays()[1])),
              std::tuple(Rect(0, 0, 1920, 1080), Rect(-1280, -200, 3200, 1280),
                         Rect(-1280, 1080 - (-200 + 1024), 1280, 1024)));
    std::vector<Rect> many(12, Rect(0, 0, 10, 10));
    many[11] = Rect(5000, 5000, 10, 10); // beyond the tenth: not counted
    h.displays().setLayout(many);
    EXPECT_EQ(allScreenSize(), Rect(0, 0, 10, 10));
    h.displays().setLayout({});
    EXPECT_TRUE(allScreenSize().isNull());
}

// The mapping keeps the last screen mapping and scale per thread: a new
// mapping, another tablet mapping or another manager must never see stale ones.
TEST(ScreenMapping, RemappingAndSeveralManagersNeverReuseAStaleScale)
{
    DriverHarness a, b;
    a.screens().setScreenMapping(Rect(0, 0, 1000, 1000));
    b.screens().setScreenMapping(Rect(0, 0, 500, 500));
    const Rect m(0, 0, 1000, 1000);
    EXPECT_DOUBLE_EQ(a.screens().mapTabletCoordinatesToDisplaySpaceWithPoint({500, 500}, m).x, 500);
    EXPECT_DOUBLE_EQ(b.screens().mapTabletCoordinatesToDisplaySpaceWithPoint({500, 500}, m).x, 250);
    EXPECT_DOUBLE_EQ(a.screens().mapTabletCoordinatesToDisplaySpaceWithPoint({500, 500}, m).x, 500);
    a.screens().setScreenMapping(Rect(100, 0, 2000, 1000));
    EXPECT_DOUBLE_EQ(a.screens().mapTabletCoordinatesToDisplaySpaceWithPoint({500, 500}, m).x, 1100);
    EXPECT_DOUBLE_EQ(a.screens().mapTabletCoordinatesToDisplaySpaceWithPoint({500, 500}, Rect(0, 0, 500, 1000)).x,
                     100 + 2000.0 / 500 * 499);
}
