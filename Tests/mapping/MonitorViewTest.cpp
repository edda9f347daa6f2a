// The map view's geometry: reading the stored areas on the first draw,
// writing them back, and the panel's operations on them.
#include "MonitorViewFixture.h"

#include "BTScreenManager.h"

#include <QColor>
#include <QTest>

namespace {
const Rect kTablet0 = BTMonitorView::tabletRect(0); // {98.6, 55.18, 185, 123.31}
} // namespace

TEST_F(MonitorViewTest, FirstDrawReadsTheStoredAreasAndWritesTheSameBack)
{
    struct Case {
        Rect screen;
        Rect tablet;
    };
    const Case cases[] = {
        {{0, 0, 1920, 1080}, {0, 0, 65535, 65535}},
        {{100, 200, 800, 600}, {0, 0, 65535, 32767}},   // top half of the tablet
        {{960, 540, 960, 540}, {0, 16384, 65535, 32767}}, // vertically centred
        {{1, 1, 1917, 1077}, {1000, 2000, 30001, 20003}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(NSStringFromRect(c.screen) + " " + NSStringFromRect(c.tablet));
        BTMonitorView fresh;
        fresh.setDriver(&driver);
        fresh._tabletSettings = &driver._vexloSettings;
        fresh.resize(kWidth, kHeight);
        store(c.screen, c.tablet);
        fresh.grab();
        EXPECT_EQ(storedScreen(), c.screen);
        EXPECT_EQ(storedTablet(), c.tablet);
        fresh.grab(); // and again: nothing creeps
        EXPECT_EQ(storedScreen(), c.screen);
        EXPECT_EQ(storedTablet(), c.tablet);
        EXPECT_EQ(driver.screenArea(), c.screen); // the driver re-read them
        EXPECT_EQ(driver.tabletMapping(), c.tablet);
    }
}

TEST_F(MonitorViewTest, StoredAreasLandWhereTheyLieOnDisplayAndTablet)
{
    store(Rect(0, 0, 1920, 1080), Rect(0, 0, 65535, 32767));
    draw();
    expectRectNear(view.monitorViewInfo()._monitorRect, kDisplayRect);
    expectRectNear(screenArea(), kDisplayRect);
    // The top half: stored y runs down from the top, the view's up.
    const double half = kTablet0.height() * 32767 / 65535;
    expectRectNear(tabletArea(), Rect(kTablet0.x(), kTablet0.maxY() - half, kTablet0.width(), half), 1e-9);

    BTMonitorView centred;
    centred.setDriver(&driver);
    centred._tabletSettings = &driver._vexloSettings;
    centred.resize(kWidth, kHeight);
    store(Rect(0, 0, 1920, 1080), Rect(0, 16384, 65535, 32767));
    centred.grab();
    const Rect& a = centred.tabletViewInfo()._monitorDropArea;
    EXPECT_NEAR(a.y() + a.height() / 2, kTablet0.y() + kTablet0.height() / 2, 0.01);
}

TEST_F(MonitorViewTest, AspectFollowsTheScreenAreaOrFillsTheTablet)
{
    store(Rect(0, 0, 1920, 1080), Rect(0, 0, 65535, 65535));
    draw();
    view.setForceAspect(false);
    expectRectNear(tabletArea(), Rect(kTablet0.x(), kTablet0.y() + (kTablet0.height() - 104.0625) / 2, 185, 104.0625));
    draw();
    EXPECT_EQ(storedTablet(), Rect(0, 5114, 65535, 55306)); // 104.0625 of 123.30859375 points, centred

    store(Rect(0, 0, 600, 1000), storedTablet()); // taller than wide: full height, centred across
    view.setForceAspect(false);
    const double width = kTablet0.height() * 600 / 1000;
    expectRectNear(tabletArea(), Rect(kTablet0.x() + (185 - width) / 2, kTablet0.y(), width, kTablet0.height()));

    view.setForceAspect(true);
    expectRectNear(tabletArea(), kTablet0);
    draw();
    EXPECT_EQ(storedTablet(), Rect(0, 0, 65535, 65535));
}

TEST_F(MonitorViewTest, RotationTurnsTheTabletRectangleAndResetsTheArea)
{
    store(Rect(0, 0, 1920, 1080), Rect(0, 0, 65535, 32767));
    view.initTabletRotate(180); // start-up: the stored area is still read
    draw();
    EXPECT_EQ(storedTablet(), Rect(0, 0, 65535, 32767));
    EXPECT_EQ(h.screens().rotation(), 180);

    view.setTabletRotate(90);
    const Rect turned(118.60000562667847, 34.1796875, 123.30859375, 185);
    EXPECT_EQ(view.tabletViewInfo()._monitorRect, turned);
    expectRectNear(tabletArea(), turned);
    EXPECT_EQ(view.rotationIndex(), 1);
    EXPECT_EQ(driver._vexloSettings.rotation, 90);
    EXPECT_EQ(h.screens().rotation(), 90);
    draw();
    EXPECT_EQ(storedTablet(), Rect(0, 0, 65535, 65535));

    view.setTabletRotate(45); // not a quarter turn: refused, nothing changes
    EXPECT_EQ(view.rotationIndex(), 1);
    EXPECT_EQ(driver._vexloSettings.rotation, 90);
    EXPECT_TRUE(log.contains("rotation 45 is not one of 0, 90, 180, 270"));
}

TEST_F(MonitorViewTest, TabletOffsetFractionsForThePanelFields)
{
    draw();
    view.initTabletRotate(0);
    const Rect whole = view.getTabletOffset();
    expectRectNear(whole, Rect(0, 0, 1, 1), 1e-12);

    // Inset by 20 points on every side.
    const double w = kTablet0.width(), ht = kTablet0.height();
    view.adjustTabletOffset(Rect(20 / w, 20 / ht, (w - 40) / w, (ht - 40) / ht));
    expectRectNear(tabletArea(), Rect(kTablet0.x() + 20, kTablet0.y() + 20, w - 40, ht - 40), 1e-9);
    expectRectNear(view.getTabletOffset(), Rect(0.2028, 0.1622, 0.9295, 0.8879), 1e-4);
}

TEST_F(MonitorViewTest, AnEmptyDisplayWritesNothingBack)
{
    store(Rect(10, 20, 300, 400), Rect(0, 0, 65535, 65535));
    driver._vexloSettings.monitorArea.store(Rect());
    draw();
    EXPECT_EQ(storedScreen(), Rect(10, 20, 300, 400));
    EXPECT_EQ(view.monitorViewInfo()._dropBoundleArea, nullptr);
    EXPECT_EQ(storedTablet(), Rect(0, 0, 65535, 65535)); // the tablet side goes on

    // Once the display is known the stored area is read, not a zero one.
    driver._vexloSettings.monitorArea.store(Rect(0, 0, 1920, 1080));
    draw();
    EXPECT_EQ(storedScreen(), Rect(10, 20, 300, 400));
}

TEST_F(MonitorViewTest, SelectingADisplayShowsItWholeAndHandsItOnAtOnce)
{
    DriverHarness two({Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)});
    BTDriverManager& d = two.driver();
    BTMonitorView map;
    map.setDriver(&d);
    map._tabletSettings = &d._vexloSettings;
    map.resize(kWidth, kHeight);
    const auto ids = two.displays().activeDisplays();
    QImage red(1920, 1080, QImage::Format_ARGB32), blue(1280, 800, QImage::Format_ARGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    two.displays().setPicture(ids[0], red);
    two.displays().setPicture(ids[1], blue);

    d.setScreenArea(Rect(5, 5, 100, 100));
    two.screens().setTargetScreen(0); // all displays
    map.selectMonitorIndex(2);
    EXPECT_EQ(map.monitorViewInfo()._screenImage.size(), QSize(3200, 1080)); // the composite
    const Rect all = d._vexloSettings.monitorArea.load();
    EXPECT_EQ(d.screenArea(), all); // no draw needed
    const double scale = std::max(all.width() / kWidth, all.height() / 200);
    expectRectNear(map.monitorViewInfo()._monitorRect,
                   Rect(180 - all.width() / scale / 2, 270, all.width() / scale, all.height() / scale));
}

TEST_F(MonitorViewTest, DisplayPictureIsRetakenEveryTwoSecondsWhileShown)
{
    const DisplayID main = h.displays().activeDisplays()[0];
    QImage picture(1920, 1080, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    h.displays().setPicture(main, picture);
    view.selectMonitorIndex(0);
    const auto shown = [&] { return QColor(view.monitorViewInfo()._screenImage.pixel(10, 10)); };
    ASSERT_EQ(shown(), QColor(Qt::red));

    picture.fill(Qt::blue);
    h.displays().setPicture(main, picture);
    view.setShowScreen(false);
    QTest::qWait(2200);
    EXPECT_EQ(shown(), QColor(Qt::red));
    view.setShowScreen(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == QColor(Qt::blue); }, 2500));
}
