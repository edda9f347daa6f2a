// The virtual pen: its description, the evdev frames the driver's records
// become, and its connections.
#include "FixedDisplayService.h"
#include "RecordingEvdevSink.h"
#include "UinputHIDEventSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <map>
#include <sstream>
#include <thread>

namespace {

// A record from "kind:x,y[:pressure]", filled as the driver's state machine
// fills it: each type in its own member. Kinds: in, out (proximity), pair (the
// moved record of a proximity pair), move, drag, down, up, and down8 (a press
// with only the 8-bit pressure).
HIDEvent record(const std::string& word)
{
    const std::string kind = word.substr(0, word.find(':'));
    int x = 0, y = 0, pressure = 0;
    std::sscanf(word.c_str() + kind.size(), ":%d,%d:%d", &x, &y, &pressure);
    HIDEvent event;
    // The record types: 1 left down, 2 left up, 5 moved, 6 dragged, 24 proximity.
    event.type = std::map<std::string, int32_t>{
        {"in", 24}, {"out", 24}, {"pair", 5}, {"move", 5}, {"drag", 6}, {"down", 1}, {"down8", 1}, {"up", 2}}.at(kind);
    event.location = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
    if (event.type == NX::kTabletProximity) {
        event.data.proximity.enterProximity = kind == "in";
    } else if (event.type == NX::kLeftMouseDown || event.type == NX::kLeftMouseUp) {
        event.data.mouse.subType = NX::kSubtypeTabletPoint;
        event.data.mouse.pressure = static_cast<uint8_t>(kind == "down8" ? pressure : pressure >> 8);
        event.data.mouse.tablet.point.pressure = static_cast<uint16_t>(kind == "down8" ? 0 : pressure);
    } else {
        event.data.mouseMove.subType = kind == "pair" ? NX::kSubtypeTabletProximity : NX::kSubtypeTabletPoint;
        event.data.mouseMove.tablet.point.pressure = static_cast<uint16_t>(pressure);
    }
    return event;
}

class UinputPen : public ::testing::Test {
protected:
    // A second display to the left of the main one: the desktop starts at x -1280.
    FixedDisplayService displays{{Rect(0, 0, 1920, 1080), Rect(-1280, 100, 1280, 1024)}};
    RecordingEvdevFactory* factory = new RecordingEvdevFactory;
    UinputHIDEventSystem system{std::unique_ptr<EvdevSinkFactory>(factory), &displays};
    HIDEventSystem::Connection connection = 0;

    void open() { ASSERT_EQ(system.openConnection(connection), 0); }
    // Each record of the words through the connection; what its pen was written.
    std::string post(const std::string& words)
    {
        std::istringstream in(words);
        for (std::string word; in >> word;) EXPECT_EQ(system.postEvent(connection, record(word)), 0) << word;
        return factory->logs.back()->take();
    }
};

TEST_F(UinputPen, RecordsBecomeEvdevFrames)
{
    const std::pair<const char*, const char*> cases[] = {
        // A stroke. Display space (100, 50) is (1380, 50) on the axes: the desktop starts at x -1280.
        {"pair:100,50 in:100,50 move:104,52 down:104,52:9000 drag:110,55:20000 up:110,55 pair:110,55 out",
         "X=1380 Y=50 BTN_TOOL_PEN+; X=1384 Y=52 PRESSURE=0; X=1384 Y=52 PRESSURE=9000 BTN_TOUCH+; "
         "X=1390 Y=55 PRESSURE=20000; X=1390 Y=55 PRESSURE=0 BTN_TOUCH-; PRESSURE=0 BTN_TOOL_PEN-;"},
        // Leaving while pressing releases the tip first.
        {"in:0,0 down:0,0:30000 out",
         "X=1280 Y=0 BTN_TOOL_PEN+; X=1280 Y=0 PRESSURE=30000 BTN_TOUCH+; BTN_TOUCH- PRESSURE=0 BTN_TOOL_PEN-;"},
        // Out of proximity a move only moves, and a press brings the pen in.
        {"move:10,10 down:10,10:5000", "X=1290 Y=10 PRESSURE=0; BTN_TOOL_PEN+ X=1290 Y=10 PRESSURE=5000 BTN_TOUCH+;"},
        // A press with only the 8-bit pressure widens it.
        {"down8:0,0:18", "BTN_TOOL_PEN+ X=1280 Y=0 PRESSURE=4626 BTN_TOUCH+;"},
        // Places off the desktop are clamped to its edges.
        {"move:-2000,-5 move:32767,32767", "X=0 Y=0 PRESSURE=0; X=3199 Y=1123 PRESSURE=0;"},
    };
    for (const auto& [records, written] : cases) {
        open();
        EXPECT_EQ(post(records), written) << records;
        EXPECT_EQ(system.closeConnection(connection), 0);
    }
}

TEST_F(UinputPen, PensOverTheWholeDesktopAndTheirConnections)
{
    std::vector<int32_t> axes; // maximum and resolution of x, y and pressure of each pen made
    factory->inspector = [&](const libevdev* pen) {
        EXPECT_STREQ(libevdev_get_name(pen), "Brevola Virtual Pen");
        for (unsigned code : {BTN_TOOL_PEN, BTN_TOUCH, BTN_STYLUS, BTN_STYLUS2})
            EXPECT_TRUE(libevdev_has_event_code(pen, EV_KEY, code)) << code;
        EXPECT_FALSE(libevdev_has_event_code(pen, EV_KEY, BTN_LEFT));
        for (unsigned code : {ABS_X, ABS_Y, ABS_PRESSURE}) {
            const input_absinfo* axis = libevdev_get_abs_info(pen, code);
            ASSERT_TRUE(axis && axis->minimum == 0) << code;
            axes.insert(axes.end(), {axis->maximum, axis->resolution});
        }
        // A pointer, not a direct-touch screen: it is not bound to one display.
        EXPECT_TRUE(libevdev_has_property(pen, INPUT_PROP_POINTER) && !libevdev_has_property(pen, INPUT_PROP_DIRECT));
    };
    open(); // over -1280 .. 1920 and 0 .. 1124
    const HIDEventSystem::Connection first = connection;
    displays.setLayout({}); // without displays: the fallback desktop
    open();
    ASSERT_NE(connection, first);
    const int32_t mm = UinputHIDEventSystem::kUnitsPerMillimetre;
    EXPECT_EQ(axes, (std::vector<int32_t>{3199, mm, 1123, mm, 65535, 0, 1919, mm, 1079, mm, 65535, 0}));

    // A type the pen has no meaning for is refused, not swallowed.
    const auto logs = factory->logs;
    HIDEvent scroll;
    scroll.type = 22;
    EXPECT_EQ(system.postEvent(first, scroll), UinputHIDEventSystem::kIOReturnUnsupported);
    EXPECT_EQ(logs[0]->take(), "");
    // Closing destroys that connection's pen only.
    EXPECT_EQ(system.closeConnection(first), 0);
    EXPECT_EQ(std::pair(logs[0]->alive, logs[1]->alive), std::pair(false, true));
    EXPECT_EQ(std::pair(system.postEvent(first, record("in")), system.closeConnection(first)),
              std::pair(kIOReturnNotOpen, kIOReturnNotOpen));
    EXPECT_EQ(post("in:5,5"), "X=5 Y=5 BTN_TOOL_PEN+;");

    // A failed write is the post's result; a device the factory cannot make, the open's.
    logs[1]->failWith = EIO;
    EXPECT_EQ(system.postEvent(connection, record("move:1,1")), EIO);
    factory->result = EACCES;
    EXPECT_EQ(system.openConnection(connection), EACCES);
    EXPECT_EQ(connection, 0u);
}

// The driver thread posts while the main thread reopens the connection.
using UinputPenConcurrency = UinputPen;
TEST_F(UinputPenConcurrency, PostingWhileOpeningAndClosing)
{
    std::atomic<HIDEventSystem::Connection> current{0};
    std::jthread poster([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            const int32_t result = system.postEvent(current.load(), record("move:3,4:100"));
            EXPECT_TRUE(result == 0 || result == kIOReturnNotOpen) << result;
        }
    });
    for (int i = 0; i < 200; ++i) {
        open();
        current.store(connection);
        std::this_thread::yield();
        current.store(0);
        EXPECT_EQ(system.closeConnection(connection), 0);
    }
}

} // namespace
