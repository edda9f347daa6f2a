// The map view driven by real mouse events: moving an area, dragging its
// edges, the cursors. The screen area used is {0, 0, 960, 540} of the
// 1920 x 1080 display: {2.22, 270, 177.78, 100} in the view (y up).
#include "MonitorViewFixture.h"

#include <QTest>

namespace {

class MonitorViewMouseTest : public MonitorViewTest {
protected:
    void SetUp() override { showWith(Rect(0, 0, 960, 540)); }
    void showWith(const Rect& screen)
    {
        store(screen, Rect(0, 0, 65535, 65535));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        draw();
    }
    // A press, the moves with the button held, and the release at the last point.
    void drag(std::initializer_list<Point> path)
    {
        const Point* last = nullptr;
        for (const Point& p : path) {
            if (!last) QTest::mousePress(&view, Qt::LeftButton, {}, at(p.x, p.y));
            else QTest::mouseMove(&view, at(p.x, p.y));
            last = &p;
        }
        QTest::mouseRelease(&view, Qt::LeftButton, {}, at(last->x, last->y));
    }
    void hover(double x, double y) { QTest::mouseMove(&view, at(x, y)); }
};

// The screen area 10 points short of the display's right edge.
class MonitorViewRoomTest : public MonitorViewMouseTest {
protected:
    void SetUp() override { showWith(Rect(0, 0, 1866, 540)); }
};

constexpr double kLeft = 2 + 2.0 / 9; // the screen area's left edge, x of the display picture

} // namespace

TEST_F(MonitorViewMouseTest, DraggingInsideMovesTheAreaButNeverOutOfTheDisplay)
{
    // The first drag step only starts the drag; the next one to the left
    // (and up) would leave the display and is dropped whole, so the area does
    // not slide up along the edge either; then a step right applies.
    drag({{90, 320}, {80, 320}, {70, 330}, {100, 330}});
    expectRectNear(screenArea(), Rect(kLeft + 30, 270, 160 + 160.0 / 9, 100));
    draw();
    EXPECT_EQ(storedScreen(), Rect(162, 0, 960, 540));

    // A drag that starts outside and crosses the area leaves it alone.
    drag({{330, 230}, {320, 300}, {100, 320}, {120, 320}});
    expectRectNear(screenArea(), Rect(kLeft + 30, 270, 160 + 160.0 / 9, 100));
}

TEST_F(MonitorViewMouseTest, EdgeDragKeepsItsEdgeUntilReleased)
{
    // Left strip, 20 right: the left edge follows, the right one stays.
    // Off the strip (below the area) the drag still resizes the left edge.
    drag({{4, 320}, {24, 320}, {24, 70}, {34, 70}});
    expectRectNear(screenArea(), Rect(kLeft + 30, 270, 160 + 160.0 / 9 - 30, 100));
    EXPECT_FALSE(view.monitorViewInfo()._dropBoundleArea->isResize());
    hover(34, 70);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

    // Dragged past the right edge in steps, the area stops at a strip's width.
    drag({{34, 320}, {84, 320}, {134, 320}, {174, 320}, {178, 320}, {190, 320}, {250, 320}});
    EXPECT_GE(screenArea().width(), 5);
    EXPECT_NEAR(screenArea().maxX(), 180, 1e-9);
}

TEST_F(MonitorViewRoomTest, AStepPastTheLimitIsDroppedWholeAndLaterStepsApply)
{
    const double right = screenArea().maxX();
    ASSERT_NEAR(kDisplayRect.maxX() - right, 10, 1e-9);
    drag({{345, 320}, {395, 320}});
    EXPECT_NEAR(screenArea().maxX(), right, 1e-9);
    drag({{345, 320}, {395, 320}, {400, 320}});
    EXPECT_NEAR(screenArea().maxX(), right + 5, 1e-9);
}

TEST_F(MonitorViewMouseTest, TabletEdgeReleasedOverTheScreenAreaEndsItsDrag)
{
    const Rect tablet = BTMonitorView::tabletRect(0);
    drag({{190, 176}, {190, 170}, {90, 320}}); // top strip, 6 down, released over the screen area
    EXPECT_NEAR(tabletArea().maxY(), tablet.maxY() - 6, 1e-9);
    drag({{330, 230}, {330, 200}, {330, 190}}); // a later drag on the grey resizes nothing
    EXPECT_NEAR(tabletArea().maxY(), tablet.maxY() - 6, 1e-9);
    EXPECT_FALSE(view.tabletViewInfo()._dropBoundleArea->isResize());
}

TEST_F(MonitorViewMouseTest, CursorShowsWhatADragWouldDo)
{
    const struct {
        Point p;
        Qt::CursorShape shape;
    } cases[] = {
        {{90, 320}, Qt::OpenHandCursor},  // inside the screen area
        {{4, 320}, Qt::SizeHorCursor},    // its left strip
        {{178, 368}, Qt::SizeHorCursor},  // top-right corner: the right edge
        {{90, 368}, Qt::SizeVerCursor},   // top strip
        {{90, 272}, Qt::SizeVerCursor},   // bottom strip
        {{90, 200}, Qt::ArrowCursor},     // between the two pictures
        {{190, 120}, Qt::OpenHandCursor}, // inside the tablet area
        {{100, 120}, Qt::SizeHorCursor},  // its left strip
    };
    for (const auto& c : cases) {
        hover(c.p.x, c.p.y);
        EXPECT_EQ(view.cursor().shape(), c.shape) << c.p.x << ", " << c.p.y;
    }
}
