// Where the panel opens, its arrow, and how it comes and goes.
#include "BTBackgroundView.h"
#include "BTMonitorView.h"
#include "LogCapture.h"
#include "PanelFixture.h"
#include "WindowFrame.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

using P = BTPanelViewController;

TEST(PanelPlacementFormulas, ReferenceRectanglePanelFrameAndArrow)
{
    const struct {
        Rect screen;
        Size item;
        Rect status, panel;
        int64_t arrow;
    } cases[] = {
        {Rect(1920, 0, 1280, 800), {24, 22}, Rect(2548, 756, 24, 22), Rect(2220, 207, 681, 571), 340},
        // Too narrow: shifted left until its right edge is 8 points inside, past the left edge.
        {Rect(0, 0, 600, 700), {24, 22}, Rect(288, 656, 24, 22), Rect(-89, 107, 681, 571), 389},
        {Rect(0, 0, 1920, 1080), {30, 28}, Rect(945, 1024, 30, 28), Rect(620, 481, 681, 571), 340},
    };
    for (const auto& c : cases) {
        const Rect status = P::statusRect(c.screen, c.item);
        const Rect panel = P::panelFrame(c.screen, status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(panel, c.panel);
        EXPECT_LE(panel.maxX(), c.screen.maxX() - 8);
        EXPECT_EQ(P::arrowPosition(status, panel), c.arrow);
    }
}

class PanelPlacement : public PanelFixture {
protected:
    // The side display's window-system frame is (1920, 0, 1280, 800): its
    // bottom is level with the main display's.
    void SetUp() override
    {
        PanelFixture::SetUp();
        displays_.setLayout({Rect(0, 0, 1920, 1080), Rect(1920, 280, 1280, 800)});
    }

    void selectRow(int row)
    {
        outlet<QComboBox>("displaysCombo")->setCurrentIndex(row);
        window().hide();
    }

    bool settled() { return waitFor([&] { return window().windowOpacity() == 1.0; }, 3000); }
};

TEST_F(PanelPlacement, OpensCentredAtTheTopOfTheSelectedDisplayWithTheArrowUnderTheItem)
{
    selectRow(1);
    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled());
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(WindowFrame::frame(&window()), Rect(2220, 207, 681, 571));
    EXPECT_EQ(window().geometry(), QRect(2220, 302, 681, 571)); // the same in Qt's coordinates
    EXPECT_EQ(outlet<BTBackgroundView>("backgroundView")->arrowX(), 340);
    EXPECT_TRUE(driver().showPressure());
    EXPECT_TRUE(outlet<BTMonitorView>("monitorView")->showScreen());

    // With every display selected it opens on the main one.
    controller().setHasActivePanel(false);
    selectRow(2);
    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled());
    EXPECT_EQ(WindowFrame::frame(&window()), Rect(620, 487, 681, 571));
}

TEST_F(PanelPlacement, EscapeAndClosingTheWindowCloseItAndASecondOpenDoesNotRestart)
{
    QSignalSpy changes(&controller(), &BTPanelViewController::hasActivePanelChanged);
    window().hide();
    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled());
    const QRect open = window().geometry();
    controller().setHasActivePanel(true);
    EXPECT_EQ(window().windowOpacity(), 1.0);
    EXPECT_EQ(window().geometry(), open);
    EXPECT_EQ(changes.count(), 1);

    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_FALSE(controller().hasActivePanel());
    EXPECT_FALSE(driver().showPressure());
    EXPECT_FALSE(outlet<BTMonitorView>("monitorView")->showScreen());
    EXPECT_TRUE(waitFor([&] { return !window().isVisible(); }, 1000));
    EXPECT_EQ(changes.count(), 2);

    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled());
    window().close();
    EXPECT_FALSE(controller().hasActivePanel());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(changes.count(), 4);

    // Opened at launch without being asked to be: Escape still closes it.
    controller().openPanel();
    ASSERT_TRUE(settled());
    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !window().isVisible(); }, 1000));
    EXPECT_FALSE(driver().showPressure());
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(PanelPlacement, AnOpenRightAfterACloseIsNotHiddenByTheCloseOrderingOut)
{
    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled());
    controller().setHasActivePanel(false);
    controller().setHasActivePanel(true);
    QTest::qWait(400);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().windowOpacity(), 1.0);
}

TEST_F(PanelPlacement, TheModifiersHeldAtTheClickChooseTheDuration)
{
    LogCapture log;
    const struct {
        Qt::KeyboardModifiers held;
        bool slow;
    } cases[] = {{Qt::NoModifier, false},
                 {Qt::ShiftModifier, true},
                 {Qt::ShiftModifier | Qt::ControlModifier, false},
                 {Qt::ShiftModifier | Qt::AltModifier, true}};
    for (const auto& c : cases) {
        controller().setKeyboardModifiersSource([held = c.held] { return held; });
        controller().setHasActivePanel(true);
        QTest::qWait(500);
        if (c.slow)
            EXPECT_LT(window().windowOpacity(), 1.0) << c.held.toInt();
        else
            EXPECT_EQ(window().windowOpacity(), 1.0) << c.held.toInt();
        ASSERT_TRUE(settled());
        controller().setHasActivePanel(false);
        ASSERT_TRUE(waitFor([&] { return !window().isVisible(); }, 1000));
    }
    const int line = log.indexOf("Icon is at {{948, 1036}, {24, 22}}");
    ASSERT_GE(line, 0);
    EXPECT_EQ(log.lines()[static_cast<size_t>(line)],
              "Icon is at {{948, 1036}, {24, 22}}\n\tMenu is on screen {{0, 0}, {1920, 1080}}\n\tWill be animated to "
              "{{620, 487}, {681, 571}}");
    size_t logged = 0;
    for (const std::string& l : log.lines()) logged += l.find("Icon is at") != std::string::npos;
    EXPECT_EQ(logged, 1u); // Shift alone writes no line
}
