// The stylus state machine: proximity, tip, movement, shortcut dispatch and
// the events it posts.
#include "ReportFixture.h"

#include "LogCapture.h"
#include "MainQueue.h"

namespace {

class StateMachine : public ReplayFixture {
protected:
    LogCapture log;
};

TEST_F(StateMachine, StrokePressesDragsAndReleasesWithItsPressure)
{
    processed(stylusReport(kHover, 20000, 20000));
    processed(stylusReport(kTip, 20000, 20000, 6144));
    EXPECT_FALSE(driver().isDragging());
    EXPECT_TRUE(eventsOfType(NX::kLeftMouseDragged).empty());
    const auto down = eventsOfType(NX::kLeftMouseDown);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].data.mouse.buttonNumber, 0);
    // The button event carries the stroke's pressure, not 0.
    EXPECT_EQ(down[0].data.mouse.tablet.point.pressure, 49151);
    EXPECT_EQ(down[0].data.mouse.pressure, 49151 >> 8);

    // The drag starts on the next report.
    processed(stylusReport(kTip, 20000, 20000, 5000));
    EXPECT_TRUE(driver().isDragging());
    EXPECT_EQ(eventsOfType(NX::kLeftMouseDragged).size(), 1u);
    processed(stylusReport(kTip, 30000, 20000, 5000));
    EXPECT_GT(eventsOfType(NX::kLeftMouseDragged).size(), 1u);

    processed(stylusReport(kHover, 30000, 20000));
    const auto up = eventsOfType(NX::kLeftMouseUp);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].data.mouse.eventNum, down[0].data.mouse.eventNum + 1);
    EXPECT_EQ(driver().eventNumber(), 2);
    EXPECT_FALSE(driver().isDragging());
    EXPECT_LT(log.indexOf(">>>mouseDown"), log.indexOf(">>>drag started"));
    EXPECT_LT(log.indexOf(">>>drag started"), log.indexOf(">>>mouseUp -drag ended"));
}

TEST_F(StateMachine, PenArrivingAndLeavingWithTheTipDownGetsItsButtonPair)
{
    // Entering pressed: the proximity pair, then the button down in the same call.
    processed(stylusReport(kTip, 20000, 20000, 6000));
    ASSERT_GE(indexOfType(NX::kTabletProximity), 0);
    ASSERT_GE(indexOfType(NX::kLeftMouseDown), 0);
    EXPECT_LT(indexOfType(NX::kTabletProximity), indexOfType(NX::kLeftMouseDown));
    EXPECT_LT(log.indexOf("entered proximity"), log.indexOf(">>>mouseDown"));

    // Leaving pressed: the button up first, then the proximity pair.
    session->events().clear();
    processed(stylusReport(kOut, 0, 0));
    ASSERT_EQ(eventsOfType(NX::kLeftMouseUp).size(), 1u);
    ASSERT_GE(indexOfType(NX::kTabletProximity), 0);
    EXPECT_LT(indexOfType(NX::kLeftMouseUp), indexOfType(NX::kTabletProximity));
    EXPECT_LT(log.indexOf(">>>mouseUp -drag ended"), log.indexOf("exited proximity"));
}

TEST_F(StateMachine, DispatchRunsTheCommandOnTheMainQueue)
{
    std::vector<std::string> ran;
    bool decoding = false, ranWhileDecoding = false;
    driver().setShortcutDispatch({
        .readShortcutForCmd = [](int32_t key) { return "cmd" + std::to_string(key); },
        .sendKeyboard =
            [&](const std::string& command, bool down, int32_t key) {
                ranWhileDecoding |= decoding;
                ran.push_back(command + (down ? " down " : " up ") + std::to_string(key));
            },
        .queued = {},
    });
    decoding = true;
    driver().didReceiveReport(keyReport(1).data(), 2);
    driver().didReceiveReport(keyReport(0).data(), 2);
    decoding = false;
    EXPECT_TRUE(ran.empty());
    MainQueue::drain();
    EXPECT_EQ(ran, (std::vector<std::string>{"cmd0 down 0", "cmd0 up 0"}));
    EXPECT_FALSE(ranWhileDecoding);
}

TEST_F(StateMachine, ShortcutsOffStillKeepTheHeldFlags)
{
    driver().setEnableShourtcut(0);
    feed(keyReport(4));
    processed(stylusReport(kButton2, 20000, 20000));
    EXPECT_TRUE(driver().oldStylus().pen_near);
    EXPECT_TRUE(driver().oldStylus().button[6]);
    EXPECT_TRUE(driver().oldStylus().button[3]);
    feed(keyReport(0));
    EXPECT_FALSE(driver().oldStylus().pen_near);
    EXPECT_FALSE(driver().oldStylus().button[6]);
    EXPECT_FALSE(driver().oldStylus().button[3]);
    EXPECT_TRUE(linesStartingWith("dispatch ").empty());
}

TEST_F(StateMachine, EventNumberWrapsAtSixteenBits)
{
    driver().closeHIDService(); // events are lost, numbering goes on
    for (int i = 0; i < 32767; ++i) driver().sendMouseUpEventToUnblockTheMouse();
    EXPECT_TRUE(session->events().events().empty());
    EXPECT_EQ(driver().openHIDService(), 0);
    driver().sendMouseUpEventToUnblockTheMouse();
    driver().sendMouseUpEventToUnblockTheMouse();
    const auto up = eventsOfType(NX::kLeftMouseUp);
    ASSERT_EQ(up.size(), 2u);
    EXPECT_EQ(up[0].data.mouse.eventNum, 32767);
    EXPECT_EQ(up[1].data.mouse.eventNum, -32768);
}

TEST_F(StateMachine, EventConnection)
{
    RecordingHIDEventSystem& system = session->events();
    EXPECT_EQ(driver().openHIDService(), 0); // reopening closes the old one first
    EXPECT_EQ(system.openConnections(), 1);
    EXPECT_TRUE(log.contains("created global event driver"));

    system.setOpenFailure(-7);
    EXPECT_EQ(driver().openHIDService(), -7);
    EXPECT_EQ(driver().gEventDriver(), 0u);
    EXPECT_TRUE(log.contains("error opening service"));

    system.setOpenFailure(0);
    system.setHasService(false);
    EXPECT_EQ(driver().openHIDService(), 0);
    EXPECT_EQ(driver().gEventDriver(), 0u);
    EXPECT_TRUE(log.contains("error opning port"));
    driver().sendMouseUpEventToUnblockTheMouse();
    EXPECT_TRUE(system.events().empty());
}

TEST_F(StateMachine, StylusStartsAtTheCursorAndEntersWithItsIdentity)
{
    ReplayOptions o;
    o.cursor = {321, 654};
    start(o);
    EXPECT_EQ(driver().stylus().scrPos, (Point{321, 654}));
    // A key report counts as in range: the proximity pair is posted there.
    feed(keyReport(1));
    const auto prox = eventsOfType(NX::kTabletProximity);
    ASSERT_EQ(prox.size(), 1u);
    EXPECT_EQ(prox[0].location, (IOGPoint{321, 654}));
    EXPECT_EQ(prox[0].data.proximity.enterProximity, 1);
    EXPECT_EQ(prox[0].data.proximity.vendorID, static_cast<uint16_t>(BTDriverManager::tabletVendorID()));
    EXPECT_TRUE(log.contains(">>>Stylus has entered proximity"));
}

} // namespace
