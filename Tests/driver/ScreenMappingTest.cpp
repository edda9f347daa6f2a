#include "DriverHarness.h"
#include "LogCapture.h"
#include "SafeAccess.h"
#include "ScreenAdditions.h"

#include <gtest/gtest.h>

namespace {
const Rect kFull(0, 0, 65535, 65535);

struct MappingCase {
    int rotation;
    Point in;
    double x, y;
};
} // namespace

TEST(ScreenMapping, RotationsClampAndScaleOntoTheScreenMapping)
{
    DriverHarness h;
    BTScreenManager& s = h.screens();
    s.setScreenMapping(Rect(0, 0, 1920, 1080));
    const double right = 1920.0 / 65535 * 65534, bottom = 1080.0 / 65535 * 65534;
    const MappingCase cases[] = {
        {0, {0, 0}, 0, 0},
        {0, {65535, 65535}, right, bottom},
        {0, {-50, 70000}, 0, bottom},
        {90, {0, 0}, right, 0},
        {180, {0, 0}, right, bottom},
        {270, {0, 0}, 0, bottom},
        {45, {0, 0}, 0, 0}, // anything else is no rotation
    };
    for (const auto& c : cases) {
        s.setRotation(c.rotation);
        const auto m = s.mapTabletCoordinatesToDisplaySpaceWithPoint(c.in, kFull);
        EXPECT_DOUBLE_EQ(m.x, c.x) << c.rotation;
        EXPECT_DOUBLE_EQ(m.y, c.y) << c.rotation;
    }
    s.setRotation(0);
    const auto corner = s.mapTabletCoordinatesToDisplaySpaceWithPoint({65535, 65535}, kFull);
    EXPECT_NEAR(corner.x, 1919.970, 0.001);
    EXPECT_NEAR(corner.y, 1079.983, 0.001);
    EXPECT_EQ(corner.subx, 248);
    EXPECT_EQ(corner.suby, 251);
}

TEST(ScreenMapping, SubAreaAndEmptyTabletMapping)
{
    DriverHarness h;
    BTScreenManager& s = h.screens();
    s.setScreenMapping(Rect(100, 50, 800, 600));
    const auto m = s.mapTabletCoordinatesToDisplaySpaceWithPoint({20000, 15000}, Rect(10000, 10000, 20000, 10000));
    EXPECT_DOUBLE_EQ(m.x, 100 + 800.0 / 20000 * 10000);
    EXPECT_DOUBLE_EQ(m.y, 50 + 600.0 / 10000 * 5000);
    for (const Rect empty : {Rect(5, 5, 0, 100), Rect(5, 5, 100, 0)}) {
        const auto e = s.mapTabletCoordinatesToDisplaySpaceWithPoint({300, 400}, empty);
        EXPECT_EQ(e.x, 100);
        EXPECT_EQ(e.y, 50);
    }
}

TEST(ScreenMapping, ScreenMappingFlipsOnlyWhenTargetIsNotTheWholeDesktop)
{
    {
        DriverHarness one;
        LogCapture log;
        one.screens().setScreenMapping(Rect(0, 100, 1920, 900));
        EXPECT_EQ(one.screens().screenMapping(), Rect(0, 100, 1920, 900));
        EXPECT_EQ(log.lines().back(), "Updated Screen Mapping: 0.00, 100.00 - 1920.00, 900.00\n");
    }
    DriverHarness two({Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 1024)});
    two.screens().setScreenMapping(Rect(0, 100, 1920, 900));
    EXPECT_EQ(two.screens().screenMapping(), Rect(0, 1080 - (100 + 900), 1920, 900));
    // No target: the bounds are the whole desktop, so nothing flips.
    two.screens().setTargetScreen(0);
    EXPECT_EQ(two.screens().screenBounds(), Rect(0, 0, 3200, 1080));
    two.screens().setScreenMapping(Rect(0, 100, 1920, 900));
    EXPECT_EQ(two.screens().screenMapping(), Rect(0, 100, 1920, 900));
}

TEST(ScreenMapping, UnpluggedTargetFallsBackToMainScreen)
{
    DriverHarness h({Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 1024)});
    BTScreenManager& s = h.screens();
    const auto ids = h.displays().activeDisplays();
    s.setTargetScreen(ids[1]);
    EXPECT_EQ(h.driver()._vexloSettings.monitorArea.load(), Rect(1920, 1080 - 1024, 1280, 1024));
    h.displays().setLayout({Rect(0, 0, 2560, 1440)});
    EXPECT_EQ(s.targetScreen(), h.displays().mainDisplay());
    EXPECT_EQ(s.screenBounds(), Rect(0, 0, 2560, 1440));
    EXPECT_EQ(h.driver()._vexloSettings.monitorArea.load(), Rect(0, 0, 2560, 1440));
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
    EXPECT_TRUE(log.contains("-[BTDriverManager initializeScreenSettings][Line"));
    EXPECT_TRUE(log.contains("initializing screen seettings"));
    EXPECT_EQ(d.screenManager(), &h.screens());
    EXPECT_EQ(h.screens().rotation(), 180); // a stored rotation works without the panel
    EXPECT_EQ(h.screens().screenMapping(), Rect(0, 0, 1920, 1080));

    d.setTabletArea(Rect(100, 200, 300, 400));
    d.updateTabletMapping();
    EXPECT_EQ(d.tabletMapping(), Rect(100, 200, 300, 400));

    log.clear();
    int posts = 0;
    ScopedObserver status(BTDriverManagerDidChangeStatus, &d, [&](const Notification&) { ++posts; });
    d.setCursorOffset({3, -4.5});
    EXPECT_TRUE(log.contains("offset set to {3, -4.5}"));
    EXPECT_EQ(posts, 1);
}

TEST(ScreenMapping, SafeAccessAndDisplayQueries)
{
    const std::vector<int> two{10, 20};
    EXPECT_EQ(safeObjectAtIndex(two, 5), nullptr);
    EXPECT_EQ(*safeObjectAtIndex(two, 1), 20);
    EXPECT_EQ(*safeObjectAtIndexForScreen(two, 5), 10);
    EXPECT_EQ(safeObjectAtIndexForScreen(std::vector<int>{}, 0), nullptr);

    DriverHarness h({Rect(0, 0, 1920, 1080), Rect(-1280, -200, 1280, 1024)});
    EXPECT_EQ(mainScreenSize(), Rect(0, 0, 1920, 1080));
    EXPECT_EQ(allScreenSize(), Rect(-1280, -200, 3200, 1280));
    EXPECT_EQ(screenSize(h.displays().activeDisplays()[1]), Rect(-1280, 1080 - (-200 + 1024), 1280, 1024));
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
