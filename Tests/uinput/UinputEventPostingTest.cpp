#include "LinuxKeyCodes.h"
#include "RecordingEvdevSink.h"
#include "UinputEventPosting.h"

#include <QCursor>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include <limits>
#include <random>

namespace {

using Lines = std::vector<std::string>;

constexpr uint64_t kCommand = EventPosting::kCommandFlag;
constexpr uint64_t kShift = EventPosting::kShiftFlag;
constexpr uint64_t kOption = EventPosting::kOptionFlag;
constexpr uint64_t kControl = EventPosting::kControlFlag;
// Virtual key codes.
constexpr uint16_t kA = 0, kZ = 6, kX = 7, kB = 11;
constexpr uint16_t kCommandKey = 55, kShiftKey = 56, kControlKey = 59;

class UinputKeyboard : public ::testing::Test {
protected:
    RecordingEvdevFactory* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};

    void SetUp() override { ASSERT_EQ(posting.open(), 0); }
    Lines take()
    {
        Lines lines = std::move(factory->last()->lines);
        factory->last()->lines.clear();
        return lines;
    }
    void key(uint16_t code, uint64_t flags, bool down) { EXPECT_EQ(posting.postKeyboardEvent(code, flags, down), 0); }
    void modifier(uint16_t code, bool down) { EXPECT_EQ(posting.postModifierKeyEvent(code, down), 0); }
};

TEST(UinputKeyboardDevice, DescribesEveryKeyTheButtonsAndTheWheels)
{
    auto* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};
    bool inspected = false;
    factory->setInspector([&](const libevdev* device) {
        inspected = true;
        EXPECT_STREQ(libevdev_get_name(device), "Brevola Virtual Keyboard");
        for (const LinuxKeyCodes::Row& row : LinuxKeyCodes::rows())
            EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, row.linuxKey)) << row.virtualKey;
        for (unsigned code : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE})
            EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, code)) << code;
        for (unsigned code : {REL_X, REL_Y, REL_WHEEL, REL_WHEEL_HI_RES, REL_HWHEEL, REL_HWHEEL_HI_RES})
            EXPECT_TRUE(libevdev_has_event_code(device, EV_REL, code)) << code;
        // The desktop takes a device for a full keyboard only with every key from Escape to S.
        for (unsigned code = KEY_ESC; code <= KEY_S; ++code)
            EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, code)) << code;
        EXPECT_FALSE(libevdev_has_event_type(device, EV_ABS));
        EXPECT_FALSE(libevdev_has_event_type(device, EV_REP)); // the desktop repeats held keys itself
    });
    EXPECT_FALSE(posting.isOpen());
    EXPECT_EQ(posting.postScrollWheelEvent(5, 0), UinputEventPosting::kNotOpen);
    EXPECT_EQ(posting.postMouseEvent(EventPosting::kLeftMouseDown, 0, 1, {}), UinputEventPosting::kNotOpen);
    EXPECT_EQ(posting.postModifierKeyEvent(kShiftKey, true), UinputEventPosting::kNotOpen);
    ASSERT_EQ(posting.open(), 0);
    EXPECT_TRUE(inspected);
    EXPECT_TRUE(posting.isOpen());
    EXPECT_EQ(posting.open(), 0);
    EXPECT_EQ(factory->logs().size(), 1u); // opened once
}

TEST_F(UinputKeyboard, ChordsHoldTheirModifiersAroundTheKey)
{
    const struct {
        const char* name;
        uint16_t code;
        uint64_t flags;
        Lines down;
        Lines up;
    } cases[] = {
        {"plain key", kZ, 0, {"KEY_Z 1", "SYN"}, {"KEY_Z 0", "SYN"}},
        {"Ctrl+Z", kZ, kControl, {"KEY_LEFTCTRL 1", "SYN", "KEY_Z 1", "SYN"}, {"KEY_Z 0", "SYN", "KEY_LEFTCTRL 0", "SYN"}},
        {"every modifier",
         kA,
         kCommand | kShift | kOption | kControl,
         {"KEY_LEFTMETA 1", "SYN", "KEY_LEFTSHIFT 1", "SYN", "KEY_LEFTALT 1", "SYN", "KEY_LEFTCTRL 1", "SYN", "KEY_A 1",
          "SYN"},
         {"KEY_A 0", "SYN", "KEY_LEFTCTRL 0", "SYN", "KEY_LEFTALT 0", "SYN", "KEY_LEFTSHIFT 0", "SYN", "KEY_LEFTMETA 0",
          "SYN"}},
        {"bits other than the four modifiers are no key", kX, 0x800000 | kShift,
         {"KEY_LEFTSHIFT 1", "SYN", "KEY_X 1", "SYN"}, {"KEY_X 0", "SYN", "KEY_LEFTSHIFT 0", "SYN"}},
    };
    for (const auto& c : cases) {
        key(c.code, c.flags, true);
        EXPECT_EQ(take(), c.down) << c.name;
        key(c.code, c.flags, false);
        EXPECT_EQ(take(), c.up) << c.name;
    }
}

TEST_F(UinputKeyboard, OverlappingChordsStayBalanced)
{
    // "Command+Shift+A;Command+Shift+B;": both down on the press, both up on the release.
    key(kA, kCommand | kShift, true);
    key(kB, kCommand | kShift, true);
    key(kA, kCommand | kShift, false);
    key(kB, kCommand | kShift, false);
    EXPECT_EQ(take(), (Lines{"KEY_LEFTMETA 1", "SYN", "KEY_LEFTSHIFT 1", "SYN", "KEY_A 1", "SYN", "KEY_B 1", "SYN",
                             "KEY_A 0", "SYN", "KEY_B 0", "SYN", "KEY_LEFTSHIFT 0", "SYN", "KEY_LEFTMETA 0", "SYN"}));

    // A key goes down with exactly its own flags, while the first is still held.
    key(kZ, kControl, true);
    key(kX, kShift, true);
    key(kZ, kControl, false);
    key(kX, kShift, false);
    EXPECT_EQ(take(), (Lines{"KEY_LEFTCTRL 1", "SYN", "KEY_Z 1", "SYN", "KEY_LEFTCTRL 0", "SYN", "KEY_LEFTSHIFT 1",
                             "SYN", "KEY_X 1", "SYN", "KEY_Z 0", "SYN", "KEY_X 0", "SYN", "KEY_LEFTSHIFT 0", "SYN"}));

    // A hardware key held over several reports presses again; its one release frees all.
    key(kZ, kControl, true);
    key(kZ, kControl, true);
    key(kZ, kControl, true);
    key(kZ, kControl, false);
    EXPECT_EQ(take(), (Lines{"KEY_LEFTCTRL 1", "SYN", "KEY_Z 1", "SYN", "KEY_Z 1", "SYN", "KEY_Z 1", "SYN", "KEY_Z 0",
                             "SYN", "KEY_LEFTCTRL 0", "SYN"}));
}

TEST_F(UinputKeyboard, ModifierOnlyEventsPressAndReleaseThatModifier)
{
    // "Command+Shift+" as the executor posts it: down in order, up in reverse.
    modifier(kCommandKey, true);
    modifier(kShiftKey, true);
    modifier(kShiftKey, false);
    modifier(kCommandKey, false);
    EXPECT_EQ(take(), (Lines{"KEY_LEFTMETA 1", "SYN", "KEY_LEFTSHIFT 1", "SYN", "KEY_LEFTSHIFT 0", "SYN",
                             "KEY_LEFTMETA 0", "SYN"}));

    // A modifier held on its own survives a chord that does not name it.
    modifier(kControlKey, true);
    key(kZ, kShift, true);
    key(kZ, kShift, false);
    modifier(kControlKey, false);
    EXPECT_EQ(take(), (Lines{"KEY_LEFTCTRL 1", "SYN", "KEY_LEFTSHIFT 1", "SYN", "KEY_Z 1", "SYN", "KEY_Z 0", "SYN",
                             "KEY_LEFTSHIFT 0", "SYN", "KEY_LEFTCTRL 0", "SYN"}));

    // A modifier key sent as a key is held as one on its own.
    key(kControlKey, 0, true);
    key(kZ, kShift, true);
    key(kZ, kShift, false);
    key(kControlKey, 0, false);
    EXPECT_EQ(take(), (Lines{"KEY_LEFTCTRL 1", "SYN", "KEY_LEFTSHIFT 1", "SYN", "KEY_Z 1", "SYN", "KEY_Z 0", "SYN",
                             "KEY_LEFTSHIFT 0", "SYN", "KEY_LEFTCTRL 0", "SYN"}));

    // Right-hand modifiers have keys of their own.
    modifier(62, true);
    modifier(62, false);
    EXPECT_EQ(take(), (Lines{"KEY_RIGHTCTRL 1", "SYN", "KEY_RIGHTCTRL 0", "SYN"}));
}

TEST_F(UinputKeyboard, CodesWithoutAKeyAreRefusedAndWriteNothing)
{
    for (uint16_t code : {uint16_t{10}, uint16_t{52}, uint16_t{127}, uint16_t{0xFFFF}})
        EXPECT_EQ(posting.postKeyboardEvent(code, kControl, true), UinputEventPosting::kUnknownKey) << code;
    for (uint16_t code : {kA, uint16_t{57}, uint16_t{63}, uint16_t{10}})
        EXPECT_EQ(posting.postModifierKeyEvent(code, true), UinputEventPosting::kUnknownKey) << code;
    EXPECT_TRUE(take().empty());
}

TEST_F(UinputKeyboard, ClicksPressAndReleaseTheirButton)
{
    const struct {
        uint32_t type;
        uint32_t button;
        int32_t result;
        Lines lines;
    } cases[] = {
        {EventPosting::kLeftMouseDown, 0, 0, {"BTN_LEFT 1", "SYN"}},
        {EventPosting::kLeftMouseUp, 0, 0, {"BTN_LEFT 0", "SYN"}},
        {EventPosting::kRightMouseDown, 1, 0, {"BTN_RIGHT 1", "SYN"}},
        {EventPosting::kRightMouseUp, 1, 0, {"BTN_RIGHT 0", "SYN"}},
        {EventPosting::kOtherMouseDown, 2, 0, {"BTN_MIDDLE 1", "SYN"}},
        {EventPosting::kOtherMouseUp, 2, 0, {"BTN_MIDDLE 0", "SYN"}},
        {EventPosting::kOtherMouseDown, 3, UinputEventPosting::kUnknownKey, {}},
        {7, 0, UinputEventPosting::kUnknownKey, {}},
    };
    for (const auto& c : cases) {
        // Wherever the location says, the click lands at the pointer.
        EXPECT_EQ(posting.postMouseEvent(c.type, c.button, 2, Point{500, 600}), c.result) << c.type;
        EXPECT_EQ(take(), c.lines) << c.type;
    }
}

TEST_F(UinputKeyboard, ScrollKeepsItsSignAndSendsWholeDetents)
{
    // A scroll shortcut: 5 pixels on the press and 5 on the release make one detent.
    EXPECT_EQ(posting.postScrollWheelEvent(5, 0), 0);
    EXPECT_EQ(posting.postScrollWheelEvent(5, 0), 0);
    EXPECT_EQ(take(), (Lines{"REL_WHEEL_HI_RES 60", "SYN", "REL_WHEEL_HI_RES 60", "REL_WHEEL 1", "SYN"}));

    // What is left of a detent carries over, across a change of direction too.
    EXPECT_EQ(posting.postScrollWheelEvent(3, 0), 0);  // +36
    EXPECT_EQ(posting.postScrollWheelEvent(-8, 0), 0); // -60 in all
    EXPECT_EQ(posting.postScrollWheelEvent(-5, 2), 0); // -120: one detent toward the user
    EXPECT_EQ(take(), (Lines{"REL_WHEEL_HI_RES 36", "SYN", "REL_WHEEL_HI_RES -96", "SYN", "REL_WHEEL_HI_RES -60",
                             "REL_WHEEL -1", "REL_HWHEEL_HI_RES 24", "SYN"}));
    EXPECT_EQ(posting.postScrollWheelEvent(-25, 0), 0);
    EXPECT_EQ(take(), (Lines{"REL_WHEEL_HI_RES -300", "REL_WHEEL -2", "SYN"}));

    EXPECT_EQ(posting.postScrollWheelEvent(0, 0), 0);
    EXPECT_TRUE(take().empty());
}

// Whatever the amounts, the whole detents sent never drift from the
// high-resolution distance by a detent or more.
TEST_F(UinputKeyboard, DetentsFollowTheHighResolutionDistance)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> amount(-40, 40);
    int64_t highResolution = 0, detents = 0;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(posting.postScrollWheelEvent(amount(random), 0), 0);
        for (const std::string& line : take()) {
            const auto value = [&] { return std::stoll(line.substr(line.find(' ') + 1)); };
            if (line.starts_with("REL_WHEEL_HI_RES ")) highResolution += value();
            else if (line.starts_with("REL_WHEEL ")) detents += value();
        }
        ASSERT_LT(std::abs(highResolution - detents * 120), 120) << "after scroll " << i;
    }
}

TEST_F(UinputKeyboard, ExtremeScrollAmountsAreClampedNotOverflowed)
{
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(posting.postScrollWheelEvent(kMax, kMin), 0);
    const Lines lines = take();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "REL_WHEEL_HI_RES " + std::to_string(kMax));
    EXPECT_EQ(lines[1], "REL_WHEEL " + std::to_string(kMax / 120));
    EXPECT_EQ(lines[2], "REL_HWHEEL_HI_RES " + std::to_string(-kMax));
    EXPECT_EQ(lines[3], "REL_HWHEEL " + std::to_string(-kMax / 120));
}

TEST_F(UinputKeyboard, AFailedWriteIsThePostsResult)
{
    factory->last()->failWith = EIO;
    EXPECT_EQ(posting.postKeyboardEvent(kZ, kControl, true), EIO);
    EXPECT_EQ(posting.postMouseEvent(EventPosting::kLeftMouseDown, 0, 1, {}), EIO);
    EXPECT_EQ(posting.postScrollWheelEvent(1, 0), EIO);
    // The error is not carried over into the next post.
    factory->last()->failWith = 0;
    EXPECT_EQ(posting.postKeyboardEvent(kZ, kControl, false), 0);
}

TEST(UinputPointer, LocationIsTheCursorPosition)
{
    UinputEventPosting posting{std::make_unique<RecordingEvdevFactory>()};
    QCursor::setPos(123, 45);
    EXPECT_EQ(posting.pointerLocation(), (Point{123, 45}));
}

} // namespace
