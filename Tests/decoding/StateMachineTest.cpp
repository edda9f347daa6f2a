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

TEST_F(StateMachine, StrokesPostTheirEventsReportByReport)
{
    ReplayOptions o;
    o.cursor = {321, 654};
    start(o);
    // Each report processed in full, and the trace it leaves. A key report counts
    // as in range: the stylus enters where the cursor is. 6144 of 8192 is pressure
    // 49151: the press carries it, and the drag starts on the next report.
    const std::pair<Report, const char*> steps[] = {
        {keyReport(1), "0+ in(321,654) 0+ 0+ 0+"},
        {keyReport(0), "0-"},
        {stylusReport(kTip, 20000, 20000, 6144), "move@49151 down@49151"},
        {stylusReport(kTip, 20000, 20000, 5000), "move@39999 drag@39999"},
        {stylusReport(kTip, 30000, 20000, 5000), "move@39999 drag@39999"},
        {stylusReport(kHover, 30000, 20000), "move up"},
        {stylusReport(kOut, 0, 0), "out"},
        // Arriving pressed: the proximity pair, then the press; leaving pressed: the release first.
        {stylusReport(kTip, 20000, 20000, 6000), "move@47999 in(585,329) down@47999"},
        {stylusReport(kOut, 0, 0), "up out"},
    };
    for (const auto& [report, expected] : steps) {
        processed(report);
        EXPECT_EQ(trace(), expected);
    }
    EXPECT_EQ(events()[1].data.proximity.vendorID, static_cast<uint16_t>(BTDriverManager::tabletVendorID()));
    EXPECT_EQ(events()[5].data.mouse.pressure, 49151 >> 8); // the first press
    std::vector<std::string> said; // the state machine's own log lines, from ">>>" on
    for (const auto& line : log.lines())
        if (line.find(">>>") != std::string::npos) said.push_back(line.substr(line.find(">>>") + 3));
    const std::string in = "Stylus has entered proximity", out = "Stylus has exited proximity", up = "mouseUp -drag ended";
    EXPECT_EQ(said, (std::vector<std::string>{in, "mouseDown", "drag started", up, out, in, "mouseDown", up, out}));
    EXPECT_FALSE(driver().isDragging());
    EXPECT_EQ(driver().eventNumber(), 4); // two presses, two releases
}

TEST_F(StateMachine, DispatchRunsTheCommandOnTheMainQueue)
{
    std::vector<std::string> ran;
    driver().setShortcutDispatch({
        .readShortcutForCmd = [](int32_t key) { return "cmd" + std::to_string(key); },
        .sendKeyboard = [&](const std::string& command, bool down,
                            int32_t key) { ran.push_back(command + (down ? " down " : " up ") + std::to_string(key)); },
        .queued = {},
    });
    driver().didReceiveReport(keyReport(1).data(), 2);
    driver().didReceiveReport(keyReport(0).data(), 2);
    EXPECT_TRUE(ran.empty()); // not on the decoding thread
    MainQueue::drain();
    EXPECT_EQ(ran, (std::vector<std::string>{"cmd0 down 0", "cmd0 up 0"}));
}

TEST_F(StateMachine, ShortcutsOffStillKeepTheHeldFlags)
{
    driver().setEnableShourtcut(0);
    feed(keyReport(4));
    processed(stylusReport(kButton2, 20000, 20000));
    const StylusRecord held = driver().oldStylus();
    feed(keyReport(0));
    const StylusRecord freed = driver().oldStylus();
    EXPECT_EQ(std::tuple(held.pen_near, held.button[6], held.button[3]), std::tuple(true, true, true));
    EXPECT_EQ(std::tuple(freed.pen_near, freed.button[6], freed.button[3]), std::tuple(false, false, false));
    EXPECT_TRUE(linesStartingWith("dispatch ").empty());
}

TEST_F(StateMachine, EventConnectionAndNumbering)
{
    EXPECT_EQ(driver().openHIDService(), 0); // reopening closes the old one first
    EXPECT_EQ(session->events().openConnections(), 1);
    EXPECT_TRUE(log.contains("created global event driver"));
    driver().closeHIDService(); // events are lost, numbering goes on and wraps at 16 bits
    for (int i = 0; i < 32767; ++i) driver().sendMouseUpEventToUnblockTheMouse();
    EXPECT_EQ(driver().openHIDService(), 0);
    driver().sendMouseUpEventToUnblockTheMouse();
    driver().sendMouseUpEventToUnblockTheMouse();
    ASSERT_EQ(events().size(), 2u);
    EXPECT_EQ(events()[0].data.mouse.eventNum, 32767);
    EXPECT_EQ(events()[1].data.mouse.eventNum, -32768);

    session->events().setOpenFailure(-7);
    EXPECT_EQ(driver().openHIDService(), -7);
    EXPECT_EQ(driver().gEventDriver(), 0u);
    EXPECT_TRUE(log.contains("error opening service"));
}

} // namespace
