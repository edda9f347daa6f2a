// The stylus state machine: proximity, tip, movement, shortcut dispatch and
// the events it posts.
#include "ReportFixture.h"

#include "LogCapture.h"
#include "MainQueue.h"

namespace {

using StateMachine = ReplayFixture;

TEST_F(StateMachine, StrokesPostTheirEventsReportByReport)
{
    start([] { ReplayOptions o; o.cursor = {321, 654}; return o; }());
    LogCapture log;
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
        {stylusReport(kHover, 30000, 20000), "move"}, // no longer dragging
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
    std::string said; // the state machine's own log lines, from ">>>" on
    for (const auto& line : log.lines())
        if (line.find(">>>") != std::string::npos) said += line.substr(line.find(">>>") + 3) + "; ";
    EXPECT_EQ(said, "Stylus has entered proximity; mouseDown; drag started; mouseUp -drag ended; "
                    "Stylus has exited proximity; Stylus has entered proximity; mouseDown; mouseUp -drag ended; "
                    "Stylus has exited proximity; ");
}

TEST_F(StateMachine, ShortcutDispatch)
{
    // The dispatch is noted on the decoding thread; the command (here none, which
    // still tells that a key went down) runs on the main queue.
    driver().didReceiveReport(keyReport(1).data(), 2);
    EXPECT_EQ(linesStartingWith("dispatch ").size(), 1u);
    EXPECT_TRUE(linesStartingWith("notify DownKey").empty());
    MainQueue::drain();
    EXPECT_EQ(linesStartingWith("notify DownKey"), (std::vector<std::string>{"notify DownKey kid=0"}));

    // Shortcuts off dispatch nothing, but still keep the held flags.
    start();
    driver().setEnableShourtcut(0);
    feed(keyReport(4));
    processed(stylusReport(kButton2, 20000, 20000));
    const StylusRecord held = driver().oldStylus();
    EXPECT_TRUE(held.pen_near && held.button[6] && held.button[3]);
    feed(keyReport(0));
    const StylusRecord freed = driver().oldStylus();
    EXPECT_FALSE(freed.pen_near || freed.button[6] || freed.button[3]);
    EXPECT_TRUE(linesStartingWith("dispatch ").empty());
}

TEST_F(StateMachine, EventConnectionAndNumbering)
{
    LogCapture log;
    EXPECT_EQ(driver().openHIDService(), 0); // reopening closes the old one first
    EXPECT_EQ(session->events().openConnections(), 1);
    EXPECT_TRUE(log.contains("created global event driver"));
    driver().closeHIDService(); // events are lost, numbering goes on and wraps at 16 bits
    for (int i = 0; i < 32767; ++i) driver().sendMouseUpEventToUnblockTheMouse();
    EXPECT_EQ(driver().openHIDService(), 0);
    for (int i = 0; i < 2; ++i) driver().sendMouseUpEventToUnblockTheMouse();
    ASSERT_EQ(events().size(), 2u);
    EXPECT_EQ(events()[0].data.mouse.eventNum, 32767);
    EXPECT_EQ(events()[1].data.mouse.eventNum, -32768);

    session->events().setOpenFailure(-7);
    EXPECT_EQ(driver().openHIDService(), -7);
    EXPECT_EQ(driver().gEventDriver(), 0u);
    EXPECT_TRUE(log.contains("error opening service"));
}

} // namespace
