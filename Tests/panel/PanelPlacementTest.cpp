// Where the panel opens, its arrow, and how it comes and goes.
#include "BTBackgroundView.h"
#include "BTMonitorView.h"
#include "PanelFixture.h"

#include <QSignalSpy>

using P = BTPanelViewController;

using PanelPlacement = PanelFixture;

TEST_F(PanelPlacement, OpensOverTheSelectedDisplayOnceAndClosesByEscape)
{
    // A display too narrow shifts it left until its right edge is 8 points
    // inside, past the left edge; the status item's own size counts.
    const Rect narrow(0, 0, 600, 700), status = P::statusRect(narrow, {24, 22}), panel = P::panelFrame(narrow, status);
    EXPECT_EQ(std::tuple(status, panel, P::arrowPosition(status, panel)),
              std::tuple(Rect(288, 656, 24, 22), Rect(-89, 107, 681, 571), int64_t{389}));
    const Rect main(0, 0, 1920, 1080), item = P::statusRect(main, {30, 28});
    EXPECT_EQ(std::pair(item, P::panelFrame(main, item)), std::pair(Rect(945, 1024, 30, 28), Rect(620, 481, 681, 571)));

    // The side display's window-system frame is (1920, 0, 1280, 800): its
    // bottom is level with the main display's.
    displays_.setLayout({Rect(0, 0, 1920, 1080), Rect(1920, 280, 1280, 800)});
    QSignalSpy changes(&controller(), &BTPanelViewController::hasActivePanelChanged);
    const auto live = [&] {
        return std::tuple(driver().showPressure(), outlet<BTMonitorView>("monitorView")->showScreen(), changes.count());
    };
    outlet<QComboBox>("displaysCombo")->setCurrentIndex(1);
    window().hide();
    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled());
    // Centred at the top of the display, the arrow under the item; a second open does not restart.
    controller().setHasActivePanel(true);
    EXPECT_EQ(window().windowOpacity(), 1.0);
    EXPECT_EQ(WindowFrame::frame(&window()), Rect(2220, 207, 681, 571));
    EXPECT_EQ(window().geometry(), QRect(2220, 302, 681, 571)); // the same in Qt's coordinates
    EXPECT_EQ(outlet<BTBackgroundView>("backgroundView")->arrowX(), 340);
    EXPECT_EQ(live(), std::tuple(true, true, 1)); // the live pressure and display pictures run

    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_FALSE(controller().hasActivePanel());
    EXPECT_EQ(live(), std::tuple(false, false, 2));
    EXPECT_TRUE(waitFor([&] { return !window().isVisible(); }, 1000));

    // With every display selected it opens on the main one; an open right
    // after a close is not hidden by the close ordering the window out.
    outlet<QComboBox>("displaysCombo")->setCurrentIndex(2);
    controller().setHasActivePanel(true);
    controller().setHasActivePanel(false);
    controller().setHasActivePanel(true);
    QTest::qWait(400);
    EXPECT_TRUE(window().isVisible() && window().windowOpacity() == 1.0);
    EXPECT_EQ(WindowFrame::frame(&window()), Rect(620, 487, 681, 571));
    controller().setHasActivePanel(false);

    // Opened at launch without being asked to be: Escape still closes it.
    controller().openPanel();
    ASSERT_TRUE(settled());
    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !window().isVisible(); }, 1000));
    EXPECT_EQ(live(), std::tuple(false, false, 6));
}

TEST_F(PanelPlacement, ShiftHeldAtTheClickOpensItSlowlyAndWithOptionSaysWhereItGoes)
{
    EXPECT_EQ(P::openDurationMs(Qt::ShiftModifier | Qt::ControlModifier), P::kOpenMs); // with another key: not slow
    LogCapture log;
    for (Qt::KeyboardModifiers held : {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::ShiftModifier | Qt::AltModifier}) {
        controller().setKeyboardModifiersSource([held] { return held; });
        controller().setHasActivePanel(true);
        QTest::qWait(500);
        EXPECT_LT(window().windowOpacity(), 1.0);
        ASSERT_TRUE(settled());
        controller().setHasActivePanel(false);
        ASSERT_TRUE(waitFor([&] { return !window().isVisible(); }, 1000));
    }
    std::vector<std::string> placed;
    for (const std::string& line : log.lines())
        if (line.rfind("Icon is at", 0) == 0) placed.push_back(line);
    EXPECT_EQ(placed, std::vector<std::string>{"Icon is at {{948, 1036}, {24, 22}}\n\tMenu is on screen {{0, 0}, "
                                               "{1920, 1080}}\n\tWill be animated to {{620, 487}, {681, 571}}"});
}
