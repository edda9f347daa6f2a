// The stylus state machine: proximity, tip, movement, shortcut dispatch and
// the events it posts.
#include "ReportFixture.h"

#include "LogCapture.h"
#include "MainQueue.h"

namespace {

class StateMachine : public ReplayFixture {
protected:
    // Each call is one report processed in full: three positions fill the
    // batch and the fourth report goes all the way.
    void processed(const Report& r) { feedTimes(r, 4); }

    std::vector<HIDEvent> eventsOfType(int32_t type) const
    {
        std::vector<HIDEvent> found;
        for (const auto& e : session->events().events())
            if (e.type == type) found.push_back(e);
        return found;
    }
    int indexOfType(int32_t type) const
    {
        const auto all = session->events().events();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].type == type) return static_cast<int>(i);
        return -1;
    }

    LogCapture log;
};

TEST_F(StateMachine, ProximityLogsAndCarriesThePointerIdentity)
{
    processed(stylusReport(kHover, 20000, 20000));
    EXPECT_TRUE(log.contains(">>>Stylus has entered proximity"));
    const auto prox = eventsOfType(NX::kTabletProximity);
    ASSERT_EQ(prox.size(), 1u);
    EXPECT_EQ(prox[0].data.proximity.deviceID, 0x81);
    EXPECT_EQ(prox[0].data.proximity.vendorPointerType, 0x802);
    EXPECT_EQ(prox[0].data.proximity.vendorID, static_cast<uint16_t>(BTDriverManager::tabletVendorID()));
    processed(stylusReport(kOut, 0, 0));
    EXPECT_TRUE(log.contains(">>>Stylus has exited proximity"));
    EXPECT_EQ(eventsOfType(NX::kTabletProximity).size(), 2u);
}

TEST_F(StateMachine, TipPressAndReleaseNumberTheirEvents)
{
    processed(stylusReport(kHover, 20000, 20000));
    processed(stylusReport(kTip, 20000, 20000, 6000));
    processed(stylusReport(kHover, 20000, 20000));
    const auto down = eventsOfType(NX::kLeftMouseDown);
    const auto up = eventsOfType(NX::kLeftMouseUp);
    ASSERT_EQ(down.size(), 1u);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(down[0].data.mouse.buttonNumber, 0);
    EXPECT_EQ(up[0].data.mouse.eventNum, down[0].data.mouse.eventNum + 1);
    EXPECT_EQ(driver().eventNumber(), 2);
    EXPECT_LT(indexOfType(NX::kLeftMouseDown), indexOfType(NX::kLeftMouseUp));
    EXPECT_TRUE(log.contains(">>>mouseDown"));
    EXPECT_TRUE(log.contains(">>>mouseUp -drag ended"));
}

TEST_F(StateMachine, ButtonEventsCarryTheStrokePressure)
{
    processed(stylusReport(kHover, 20000, 20000));
    processed(stylusReport(kTip, 20000, 20000, 6144));
    const auto down = eventsOfType(NX::kLeftMouseDown);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].data.mouse.tablet.point.pressure, driver().stylus().pressure);
    EXPECT_EQ(down[0].data.mouse.tablet.point.pressure, 49151);
    EXPECT_EQ(down[0].data.mouse.pressure, 49151 >> 8);

    StylusRecord s = driver().stylus();
    s.pressure = 0x1234;
    driver().setStylus(s);
    driver().postButtonEvent(NX::kLeftMouseUp, 0);
    EXPECT_EQ(session->events().events().back().data.mouse.pressure, 0x12);
}

TEST_F(StateMachine, DragStartsOnTheReportAfterTheTipGoesDown)
{
    processed(stylusReport(kHover, 20000, 20000));
    processed(stylusReport(kTip, 20000, 20000, 3000));
    EXPECT_FALSE(driver().isDragging());
    EXPECT_TRUE(eventsOfType(NX::kLeftMouseDragged).empty());
    processed(stylusReport(kTip, 20000, 20000, 5000));
    EXPECT_TRUE(driver().isDragging());
    ASSERT_EQ(eventsOfType(NX::kLeftMouseDragged).size(), 1u);
    EXPECT_TRUE(log.contains(">>>drag started"));
    processed(stylusReport(kTip, 30000, 20000, 5000));
    EXPECT_EQ(eventsOfType(NX::kLeftMouseDragged).size(), 2u);
}

TEST_F(StateMachine, EnteringWithTheTipDownPressesTheButton)
{
    processed(stylusReport(kTip, 20000, 20000, 6000));
    const int proximity = indexOfType(NX::kTabletProximity);
    const int down = indexOfType(NX::kLeftMouseDown);
    ASSERT_GE(proximity, 0);
    ASSERT_GE(down, 0);
    EXPECT_LT(proximity, down);
    EXPECT_LT(log.indexOf("entered proximity"), log.indexOf(">>>mouseDown"));
}

TEST_F(StateMachine, LeavingWithTheTipDownReleasesTheButtonFirst)
{
    processed(stylusReport(kHover, 20000, 20000));
    processed(stylusReport(kTip, 20000, 20000, 6000));
    session->events().clear();
    processed(stylusReport(kOut, 0, 0));
    const int up = indexOfType(NX::kLeftMouseUp);
    const int proximity = indexOfType(NX::kTabletProximity);
    ASSERT_GE(up, 0);
    ASSERT_GE(proximity, 0);
    EXPECT_LT(up, proximity);
    EXPECT_EQ(eventsOfType(NX::kLeftMouseUp).size(), 1u);
    EXPECT_LT(log.indexOf(">>>mouseUp -drag ended"), log.indexOf("exited proximity"));
}

TEST_F(StateMachine, DispatchRunsTheCommandOnTheMainQueue)
{
    std::vector<std::string> ran;
    bool ranWhileDecoding = false;
    bool decoding = false;
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

TEST_F(StateMachine, HoverMovesPostMouseMoved)
{
    processed(stylusReport(kHover, 20000, 20000));
    session->events().clear();
    processed(stylusReport(kHover, 30000, 40000));
    const auto events = session->events().events();
    ASSERT_FALSE(events.empty());
    for (const auto& e : events) {
        EXPECT_EQ(e.type, NX::kMouseMoved);
        EXPECT_EQ(e.data.mouseMove.subType, NX::kSubtypeTabletPoint);
        EXPECT_EQ(e.data.mouseMove.tablet.point.deviceID, 0x81);
    }
    // The state machine's own move lands where the last smoothed position did.
    EXPECT_EQ(events.back().location.x, 30000 * 1920 / 65535);
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
    EXPECT_EQ(system.openConnections(), 1);
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

TEST_F(StateMachine, StylusStartsAtTheCursor)
{
    ReplayOptions o;
    o.cursor = {321, 654};
    start(o);
    const StylusRecord s = driver().stylus();
    EXPECT_EQ(s.scrPos, (Point{321, 654}));
    EXPECT_TRUE(s.off_tablet);
    EXPECT_EQ(driver().oldStylus().scrPos, s.scrPos);
    // A key report counts as in range: the proximity pair is posted there.
    feed(keyReport(1));
    const auto prox = eventsOfType(NX::kTabletProximity);
    ASSERT_EQ(prox.size(), 1u);
    EXPECT_EQ(prox[0].location, (IOGPoint{321, 654}));
}

} // namespace
