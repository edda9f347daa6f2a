// The map view: the stored areas read on the first draw and handed back, the
// panel's operations on them, and real mouse events moving an area, dragging
// its edges and choosing the pointer. The view lies over a driver of its own
// (one 1920 x 1080 display) and measures 360 x 470 points: the display picture
// is then {2.2222, 270, 355.5556, 200} in view coordinates (y up). What a draw
// writes back reaches the driver's screen area and tablet mapping.
#include "BTMonitorView.h"
#include "DriverHarness.h"
#include "LogCapture.h"

#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

namespace {

const Rect kDisplay{2 + 2.0 / 9, 270, 1920 / 5.4, 200};
const Rect kTablet0 = BTMonitorView::tabletRect(0); // {98.6, 55.18, 185, 123.31}

void expectRectNear(const Rect& a, const Rect& e, double tolerance = 1e-6)
{
    for (const auto& [x, y] :
         {std::pair{a.x(), e.x()}, {a.y(), e.y()}, {a.width(), e.width()}, {a.height(), e.height()}})
        EXPECT_NEAR(x, y, tolerance) << NSStringFromRect(a) << " against " << NSStringFromRect(e);
}

class MonitorViewTest : public ::testing::Test {
protected:
    MonitorViewTest() { attach(view); }
    void attach(BTMonitorView& v)
    {
        v.setDriver(&driver);
        v._tabletSettings = &driver._vexloSettings;
        v.resize(360, 470);
    }
    // The stored areas the first draw reads, as the panel's settings load leaves them.
    void store(const Rect& screen, const Rect& tablet)
    {
        driver.setScreenArea(screen);
        driver.setTabletArea(tablet);
    }
    void draw() { view.grab(); }
    const Rect& screenArea() const { return view.monitorViewInfo()._monitorDropArea; }
    const Rect& tabletArea() const { return view.tabletViewInfo()._monitorDropArea; }

    // A view point (y up) as the Qt position QTest sends.
    static QPoint at(Point p) { return QPoint(static_cast<int>(p.x), static_cast<int>(470 - p.y)); }
    // A press, the moves with the button held, and the release at the last point.
    void drag(std::initializer_list<Point> path)
    {
        QTest::mousePress(&view, Qt::LeftButton, {}, at(*path.begin()));
        for (auto p = path.begin() + 1; p != path.end(); ++p) QTest::mouseMove(&view, at(*p));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, at(*(path.end() - 1)));
    }

    LogCapture log; // keeps the driver's lines out of the system log
    DriverHarness h;
    BTDriverManager& driver = h.driver();
    BTMonitorView view;
};

} // namespace

TEST_F(MonitorViewTest, FirstDrawReadsTheStoredAreasAndWritesTheSameBack)
{
    const Rect t = kTablet0;
    const double half = t.height() * 32767 / 65535;
    // The stored screen and tablet areas, and where they land in the view (empty: not checked).
    const std::tuple<Rect, Rect, Rect, Rect> cases[] = {
        {{0, 0, 1920, 1080}, {0, 0, 65535, 32767}, kDisplay, // the top half of the tablet: y runs down from its top
         {t.x(), t.maxY() - half, t.width(), half}},
        {{100, 200, 800, 600}, {0, 16384, 65535, 32767}, {}, // centred
         {t.x(), t.y() + t.height() * 16384 / 65535, t.width(), half}},
        {{960, 540, 960, 540}, {0, 0, 65535, 65535}, {180, 370, kDisplay.width() / 2, 100}, t}, // the top right
        {{1, 1, 1917, 1077}, {1000, 2000, 30001, 20003}, {}, {}},
    };
    for (const auto& [screen, tablet, screenInView, tabletInView] : cases) {
        SCOPED_TRACE(NSStringFromRect(screen) + " " + NSStringFromRect(tablet));
        BTMonitorView fresh;
        attach(fresh);
        store(screen, tablet);
        for (int draws = 0; draws < 2; ++draws) { // and nothing creeps on the next draw
            fresh.grab();
            EXPECT_EQ(std::pair(driver.screenArea(), driver.tabletMapping()), std::pair(screen, tablet));
        }
        if (screenInView.width() > 0) expectRectNear(fresh.monitorViewInfo()._monitorDropArea, screenInView);
        if (tabletInView.width() > 0) expectRectNear(fresh.tabletViewInfo()._monitorDropArea, tabletInView, 1e-9);
    }
}

TEST_F(MonitorViewTest, PanelOperationsOnTheAreasFromAStartWithoutADisplay)
{
    // No display yet: the screen area is neither read nor written back; the
    // tablet side goes on, turned as stored.
    store(Rect(10, 20, 300, 400), Rect(0, 0, 65535, 32767));
    driver._vexloSettings.monitorArea.store(Rect());
    view.initTabletRotate(180);
    draw();
    EXPECT_EQ(driver.screenArea(), Rect(10, 20, 300, 400));
    const Rect turned = BTMonitorView::tabletRect(2), half(turned.x(), turned.maxY() - turned.height() * 32767 / 65535,
                                                          turned.width(), turned.height() * 32767 / 65535);
    expectRectNear(tabletArea(), half); // the top half: y runs down from the tablet's top
    // Once the display is known the stored areas are read, not zero ones.
    driver._vexloSettings.monitorArea.store(Rect(0, 0, 1920, 1080));
    draw();
    EXPECT_EQ(driver.screenArea(), Rect(10, 20, 300, 400));
    EXPECT_EQ(driver.tabletMapping(), Rect(0, 0, 65535, 32767));
    EXPECT_EQ(h.screens().rotation(), 180);

    // A quarter turn turns the tablet rectangle and resets the area to all of it.
    view.setTabletRotate(90);
    expectRectNear(tabletArea(), Rect(118.60000562667847, 34.1796875, 123.30859375, 185));
    draw();
    EXPECT_EQ(driver.tabletMapping(), Rect(0, 0, 65535, 65535));
    view.setTabletRotate(45); // not a quarter turn: refused, nothing changes
    EXPECT_EQ(view.rotationIndex(), 1);
    EXPECT_EQ(driver._vexloSettings.rotation, 90);
    EXPECT_TRUE(log.contains("rotation 45 is not one of 0, 90, 180, 270"));

    // The panel's edge fields: all of the tablet, then inset by 20 points on every side.
    view.initTabletRotate(0);
    expectRectNear(view.getTabletOffset(), Rect(0, 0, 1, 1), 1e-12);
    const double w = kTablet0.width(), ht = kTablet0.height();
    view.adjustTabletOffset(Rect(20 / w, 20 / ht, (w - 40) / w, (ht - 40) / ht));
    expectRectNear(tabletArea(), Rect(kTablet0.x() + 20, kTablet0.y() + 20, w - 40, ht - 40), 1e-9);
    expectRectNear(view.getTabletOffset(), Rect(0.2028, 0.1622, 0.9295, 0.8879), 1e-4);

    // The screen area's aspect: taller than wide takes the full height, centred
    // across; 16:9 the full width, centred up and down.
    view.setForceAspect(false);
    const double width = ht * 300 / 400;
    expectRectNear(tabletArea(), Rect(kTablet0.x() + (185 - width) / 2, kTablet0.y(), width, ht));
    driver.setScreenArea(Rect(0, 0, 1920, 1080));
    view.setForceAspect(false);
    expectRectNear(tabletArea(), Rect(kTablet0.x(), kTablet0.y() + (ht - 104.0625) / 2, 185, 104.0625));
    draw();
    EXPECT_EQ(driver.tabletMapping(), Rect(0, 5114, 65535, 55306)); // 104.0625 of 123.30859375 points

    // A display chosen is shown and mapped whole at once.
    view.selectMonitorIndex(1); // one past the last: all displays together
    EXPECT_EQ(view.monitorViewInfo()._screenImage.size(), QSize(1920, 1080));
    EXPECT_EQ(driver.screenArea(), Rect(0, 0, 1920, 1080)); // no draw needed
    expectRectNear(screenArea(), kDisplay);
}

TEST_F(MonitorViewTest, TheMouseShowsAndDoesWhatADragWouldDoOnTheAreaItStartsOn)
{
    store(Rect(0, 0, 960, 540), Rect(0, 0, 65535, 65535)); // {2.22, 270, 177.78, 100} in the view
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    draw();
    // The pointer over the screen area, between the pictures, over the tablet
    // area and on its left strip.
    const std::pair<Point, Qt::CursorShape> cursors[] = {{{90, 320}, Qt::OpenHandCursor},
                                                         {{90, 200}, Qt::ArrowCursor},
                                                         {{190, 120}, Qt::OpenHandCursor},
                                                         {{100, 120}, Qt::SizeHorCursor}};
    for (const auto& [p, shape] : cursors) {
        QTest::mouseMove(&view, at(p));
        EXPECT_EQ(view.cursor().shape(), shape) << p.x << ", " << p.y;
    }

    // The first drag step only starts the drag; the next one to the left
    // (and up) would leave the display and is dropped whole, so the area does
    // not slide up along the edge either; then a step right applies.
    drag({{90, 320}, {80, 320}, {70, 330}, {100, 330}});
    const Rect moved(kDisplay.x() + 30, 270, 160 + 160.0 / 9, 100);
    expectRectNear(screenArea(), moved);
    draw();
    EXPECT_EQ(driver.screenArea(), Rect(162, 0, 960, 540));
    drag({{330, 230}, {320, 300}, {100, 320}, {120, 320}}); // from outside across the area: left alone
    expectRectNear(screenArea(), moved);
    // Its left strip, 20 right: the left edge follows, the right one stays;
    // off the strip (below the area) the drag still resizes that edge.
    drag({{34, 320}, {54, 320}, {54, 70}, {64, 70}});
    expectRectNear(screenArea(), Rect(moved.x() + 30, 270, moved.width() - 30, 100));
    EXPECT_FALSE(view.monitorViewInfo()._dropBoundleArea->isResize());

    // A tablet edge released over the screen area ends its drag too.
    drag({{190, 176}, {190, 170}, {90, 320}}); // top strip, 6 down
    EXPECT_NEAR(tabletArea().maxY(), kTablet0.maxY() - 6, 1e-9);
    drag({{330, 230}, {330, 200}, {330, 190}}); // a later drag on the grey resizes nothing
    EXPECT_NEAR(tabletArea().maxY(), kTablet0.maxY() - 6, 1e-9);
    EXPECT_FALSE(view.tabletViewInfo()._dropBoundleArea->isResize());
}
