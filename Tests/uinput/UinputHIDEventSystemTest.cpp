#include "FixedDisplayService.h"
#include "RecordingEvdevSink.h"
#include "UinputHIDEventSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Lines = std::vector<std::string>;

// Records as the driver's state machine fills them: each type in its own member.
// A proximity record, or with pairMove the moved record that goes with it.
HIDEvent proximity(bool enter, IOGPoint at, bool pairMove = false)
{
    HIDEvent event;
    event.type = pairMove ? NX::kMouseMoved : NX::kTabletProximity;
    event.location = at;
    if (pairMove) {
        event.data.mouseMove.subType = NX::kSubtypeTabletProximity;
        event.data.mouseMove.tablet.proximity.enterProximity = enter;
    } else {
        event.data.proximity.enterProximity = enter;
    }
    return event;
}

// Moved, dragged, left down or up.
HIDEvent point(int32_t type, IOGPoint at, uint16_t pressure)
{
    HIDEvent event;
    event.type = type;
    event.location = at;
    if (type == NX::kLeftMouseDown || type == NX::kLeftMouseUp) {
        event.data.mouse.subType = NX::kSubtypeTabletPoint;
        event.data.mouse.pressure = static_cast<uint8_t>(pressure >> 8);
        event.data.mouse.tablet.point.pressure = pressure;
    } else {
        event.data.mouseMove.subType = NX::kSubtypeTabletPoint;
        event.data.mouseMove.tablet.point.pressure = pressure;
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
    void post(const HIDEvent& event) { EXPECT_EQ(system.postEvent(connection, event), 0); }
};

TEST_F(UinputPen, DescribesAPointerTabletOverTheWholeDesktop)
{
    int32_t maxX = -1, maxY = -1;
    factory->inspector = [&](const libevdev* pen) {
        EXPECT_STREQ(libevdev_get_name(pen), "Brevola Virtual Pen");
        for (unsigned code : {BTN_TOOL_PEN, BTN_TOUCH, BTN_STYLUS, BTN_STYLUS2})
            EXPECT_TRUE(libevdev_has_event_code(pen, EV_KEY, code)) << code;
        EXPECT_FALSE(libevdev_has_event_code(pen, EV_KEY, BTN_LEFT));
        const input_absinfo* x = libevdev_get_abs_info(pen, ABS_X);
        const input_absinfo* y = libevdev_get_abs_info(pen, ABS_Y);
        const input_absinfo* pressure = libevdev_get_abs_info(pen, ABS_PRESSURE);
        ASSERT_TRUE(x && y && pressure);
        for (const input_absinfo* axis : {x, y, pressure}) EXPECT_EQ(axis->minimum, 0);
        maxX = x->maximum;
        maxY = y->maximum;
        EXPECT_GT(x->resolution, 0);
        EXPECT_EQ(y->resolution, x->resolution);
        EXPECT_EQ(pressure->maximum, 65535);
        EXPECT_TRUE(libevdev_has_property(pen, INPUT_PROP_POINTER));
        EXPECT_FALSE(libevdev_has_property(pen, INPUT_PROP_DIRECT));
    };
    open();
    EXPECT_NE(connection, 0u);
    EXPECT_EQ(maxX, 3199); // -1280 .. 1920
    EXPECT_EQ(maxY, 1123); // 0 .. 1124

    displays.setLayout({}); // without displays: the fallback desktop
    open();
    EXPECT_EQ(maxX, 1919);
    EXPECT_EQ(maxY, 1079);
}

TEST_F(UinputPen, AWholeStrokeGivesTheEvdevSequence)
{
    open();
    // Display space (100, 50) is (1380, 50) on the axes: the desktop starts at x -1280.
    post(proximity(true, {100, 50}, true));
    post(proximity(true, {100, 50}));
    post(point(NX::kMouseMoved, {104, 52}, 0));
    post(point(NX::kLeftMouseDown, {104, 52}, 9000));
    post(point(NX::kLeftMouseDragged, {110, 55}, 20000));
    post(point(NX::kLeftMouseDragged, {118, 57}, 40000));
    post(point(NX::kLeftMouseUp, {118, 57}, 0));
    post(proximity(false, {118, 57}, true));
    post(proximity(false, {118, 57}));
    const Lines expected{
        "ABS_X 1380", "ABS_Y 50", "BTN_TOOL_PEN 1", "SYN",                          // enter
        "ABS_X 1384", "ABS_Y 52", "ABS_PRESSURE 0", "SYN",                          // hover
        "ABS_X 1384", "ABS_Y 52", "ABS_PRESSURE 9000", "BTN_TOUCH 1", "SYN",        // down
        "ABS_X 1390", "ABS_Y 55", "ABS_PRESSURE 20000", "SYN",                      // drag
        "ABS_X 1398", "ABS_Y 57", "ABS_PRESSURE 40000", "SYN",                      // drag
        "ABS_X 1398", "ABS_Y 57", "ABS_PRESSURE 0", "BTN_TOUCH 0", "SYN",           // up
        "ABS_PRESSURE 0", "BTN_TOOL_PEN 0", "SYN",                                  // exit
    };
    EXPECT_EQ(factory->logs.back()->take(), expected);
}

TEST_F(UinputPen, EdgeCasesOfTheStroke)
{
    HIDEvent eightBitPress = point(NX::kLeftMouseDown, {0, 0}, 0);
    eightBitPress.data.mouse.pressure = 0x12;
    const struct {
        const char* name;
        std::vector<HIDEvent> records;
        Lines expected;
    } cases[] = {
        {"leaving while pressing releases the tip first",
         {proximity(true, {0, 0}), point(NX::kLeftMouseDown, {0, 0}, 30000), proximity(false, {0, 0})},
         {"ABS_X 1280", "ABS_Y 0", "BTN_TOOL_PEN 1", "SYN", "ABS_X 1280", "ABS_Y 0", "ABS_PRESSURE 30000",
          "BTN_TOUCH 1", "SYN", "BTN_TOUCH 0", "ABS_PRESSURE 0", "BTN_TOOL_PEN 0", "SYN"}},
        {"a press out of proximity brings the pen in",
         {point(NX::kLeftMouseDown, {10, 10}, 5000)},
         {"BTN_TOOL_PEN 1", "ABS_X 1290", "ABS_Y 10", "ABS_PRESSURE 5000", "BTN_TOUCH 1", "SYN"}},
        {"a move out of proximity only moves",
         {point(NX::kMouseMoved, {10, 10}, 0)},
         {"ABS_X 1290", "ABS_Y 10", "ABS_PRESSURE 0", "SYN"}},
        {"a press with only the 8-bit pressure widens it",
         {eightBitPress},
         {"BTN_TOOL_PEN 1", "ABS_X 1280", "ABS_Y 0", "ABS_PRESSURE 4626", "BTN_TOUCH 1", "SYN"}},
        {"places off the desktop are clamped to its edges",
         {point(NX::kMouseMoved, {-2000, -5}, 0), point(NX::kMouseMoved, {32767, 32767}, 0)},
         {"ABS_X 0", "ABS_Y 0", "ABS_PRESSURE 0", "SYN", "ABS_X 3199", "ABS_Y 1123", "ABS_PRESSURE 0", "SYN"}},
        {"the move of a proximity pair posts nothing", {proximity(true, {5, 5}, true)}, {}},
    };
    for (const auto& c : cases) {
        open();
        for (const HIDEvent& record : c.records) post(record);
        EXPECT_EQ(factory->logs.back()->take(), c.expected) << c.name;
        EXPECT_EQ(system.closeConnection(connection), 0);
    }
}

TEST_F(UinputPen, ConnectionsAndTheirFailures)
{
    EXPECT_TRUE(system.hasService());
    EXPECT_EQ(system.postEvent(0, proximity(true, {0, 0})), kIOReturnNotOpen);
    EXPECT_EQ(system.closeConnection(42), kIOReturnNotOpen);

    open();
    HIDEventSystem::Connection second = 0;
    ASSERT_EQ(system.openConnection(second), 0);
    EXPECT_NE(second, connection);
    const auto logs = factory->logs;
    ASSERT_EQ(logs.size(), 2u);

    // A type the pen has no meaning for is refused, not swallowed.
    HIDEvent scroll;
    scroll.type = 22;
    EXPECT_EQ(system.postEvent(connection, scroll), UinputHIDEventSystem::kIOReturnUnsupported);
    EXPECT_TRUE(logs[0]->lines.empty());

    // Closing destroys that connection's pen only.
    EXPECT_EQ(system.closeConnection(connection), 0);
    EXPECT_FALSE(logs[0]->alive);
    EXPECT_TRUE(logs[1]->alive);
    EXPECT_EQ(system.postEvent(connection, proximity(true, {0, 0})), kIOReturnNotOpen);
    EXPECT_EQ(system.closeConnection(connection), kIOReturnNotOpen);
    EXPECT_EQ(system.postEvent(second, proximity(true, {0, 0})), 0);
    EXPECT_EQ(logs[1]->lines.size(), 4u);

    // A failed write is the post's result.
    logs[1]->failWith = EIO;
    EXPECT_EQ(system.postEvent(second, point(NX::kMouseMoved, {1, 1}, 0)), EIO);

    // A device the factory cannot make is the open's result.
    factory->result = EACCES;
    HIDEventSystem::Connection third = 7;
    EXPECT_EQ(system.openConnection(third), EACCES);
    EXPECT_EQ(third, 0u);
}

// The driver thread posts while the main thread reopens the connection.
using UinputPenConcurrency = UinputPen;
TEST_F(UinputPenConcurrency, PostingWhileOpeningAndClosing)
{
    std::atomic<HIDEventSystem::Connection> current{0};
    std::atomic<bool> done{false};

    std::thread poster([&] {
        const HIDEvent move = point(NX::kMouseMoved, {3, 4}, 100);
        while (!done.load()) {
            const int32_t result = system.postEvent(current.load(), move);
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
    done.store(true);
    poster.join();
    for (const auto& log : factory->logs) EXPECT_FALSE(log->alive);
    EXPECT_EQ(factory->logs.size(), 200u);
}

} // namespace
