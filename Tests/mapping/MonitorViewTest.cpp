// The map view's geometry: reading the stored areas on the first draw,
// writing them back, and the panel's operations on them.
#include "MonitorViewFixture.h"

#include "BTScreenManager.h"


namespace {
const Rect kTablet0 = BTMonitorView::tabletRect(0); // {98.6, 55.18, 185, 123.31}
} // namespace

TEST_F(MonitorViewTest, FirstDrawReadsTheStoredAreasAndWritesTheSameBack)
{
    const Rect display = kDisplayRect, tablet = kTablet0;
    const double half = tablet.height() * 32767 / 65535;
    const struct {
        Rect screen, tablet;
        Rect screenInView, tabletInView; // where they land; empty: not checked
    } cases[] = {
        {{0, 0, 1920, 1080}, {0, 0, 65535, 32767}, display, // the top half of the tablet: y runs down from its top
         {tablet.x(), tablet.maxY() - half, tablet.width(), half}},
        {{100, 200, 800, 600}, {0, 16384, 65535, 32767}, {}, // centred
         {tablet.x(), tablet.y() + tablet.height() * 16384 / 65535, tablet.width(), half}},
        {{960, 540, 960, 540}, {0, 0, 65535, 65535}, {display.x() + display.width() / 2, 370, display.width() / 2, 100},
         tablet},
        {{1, 1, 1917, 1077}, {1000, 2000, 30001, 20003}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(NSStringFromRect(c.screen) + " " + NSStringFromRect(c.tablet));
        BTMonitorView fresh;
        fresh.setDriver(&driver);
        fresh._tabletSettings = &driver._vexloSettings;
        fresh.resize(kWidth, kHeight);
        store(c.screen, c.tablet);
        for (int draws = 0; draws < 2; ++draws) { // and nothing creeps on the next draw
            fresh.grab();
            EXPECT_EQ(storedScreen(), c.screen);
            EXPECT_EQ(storedTablet(), c.tablet);
        }
        EXPECT_EQ(driver.screenArea(), c.screen); // the driver re-read them
        EXPECT_EQ(driver.tabletMapping(), c.tablet);
        if (c.screenInView.width() > 0) expectRectNear(fresh.monitorViewInfo()._monitorDropArea, c.screenInView);
        if (c.tabletInView.width() > 0) expectRectNear(fresh.tabletViewInfo()._monitorDropArea, c.tabletInView, 1e-9);
    }
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
    QImage red(1920, 1080, QImage::Format_ARGB32);
    red.fill(Qt::red);
    h.displays().setPicture(h.displays().mainDisplay(), red);
    store(Rect(5, 5, 100, 100), Rect(0, 0, 65535, 65535));
    draw();
    view.selectMonitorIndex(1); // one past the last: all displays together
    EXPECT_EQ(view.monitorViewInfo()._screenImage.pixelColor(1919, 1079), QColor(Qt::red));
    EXPECT_EQ(driver.screenArea(), Rect(0, 0, 1920, 1080)); // no draw needed
    expectRectNear(screenArea(), kDisplayRect);
}
