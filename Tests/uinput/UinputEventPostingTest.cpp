#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"
#include "RecordingEvdevSink.h"
#include "UinputEventPosting.h"

#include <QCursor>
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

namespace {

using Lines = std::vector<std::string>;

constexpr uint64_t kCommand = EventPosting::kCommandFlag;
constexpr uint64_t kShift = EventPosting::kShiftFlag;
constexpr uint64_t kOption = EventPosting::kOptionFlag;
constexpr uint64_t kControl = EventPosting::kControlFlag;
// Virtual key codes.
constexpr uint16_t kA = 0, kZ = 6, kX = 7, kB = 11;
constexpr uint16_t kCommandKey = 55, kShiftKey = 56, kControlKey = 59, kRightControlKey = 62;

// Every code a shortcut can name or the editor can capture has its own key.
TEST(LinuxKeyCodes, EveryRowOfTheKeyNameTablesHasItsOwnKey)
{
    const auto& names = KeyMapInfo::shared().keyString();
    std::set<uint16_t> used;
    for (const auto& [code, name] : names) {
        const uint16_t key = LinuxKeyCodes::linuxKey(static_cast<uint16_t>(code));
        ASSERT_NE(key, 0) << code << " " << name;
        const char* keyName = libevdev_event_code_get_name(EV_KEY, key);
        ASSERT_NE(keyName, nullptr) << code;
        EXPECT_TRUE(std::string_view(keyName).starts_with("KEY_")) << code << ": a key, not a button";
        EXPECT_TRUE(used.insert(key).second) << code << " shares its key";
    }
    for (const auto& [name, code] : KeyMapInfo::shared().keyCode())
        EXPECT_NE(LinuxKeyCodes::linuxKey(static_cast<uint16_t>(code)), 0) << name;

    // And the table has no row the key name tables lack.
    EXPECT_EQ(LinuxKeyCodes::rows().size(), names.size());
    for (const LinuxKeyCodes::Row& row : LinuxKeyCodes::rows()) {
        EXPECT_EQ(names.count(row.virtualKey), 1u) << row.virtualKey;
        EXPECT_EQ(LinuxKeyCodes::linuxKey(row.virtualKey), row.linuxKey);
    }
}

// Keys a swapped row would put in the wrong place, those matched by meaning,
// and codes without a row (0, KEY_RESERVED), in and past the lookup's range.
TEST(LinuxKeyCodes, SpotChecks)
{
    const std::pair<uint16_t, uint16_t> rows[] = {
        {0, KEY_A},           {1, KEY_S},           {36, KEY_ENTER},      {76, KEY_KPENTER}, {125, KEY_DOWN},
        {55, KEY_LEFTMETA},   {56, KEY_LEFTSHIFT},  {58, KEY_LEFTALT},    {59, KEY_LEFTCTRL}, {62, KEY_RIGHTCTRL},
        {39, KEY_APOSTROPHE}, {41, KEY_SEMICOLON},  {51, KEY_BACKSPACE},  {117, KEY_DELETE}, {114, KEY_INSERT},
        {122, KEY_F1},        {90, KEY_F20},        {71, KEY_CLEAR},      {63, KEY_FN},      {10, 0},
        {52, 0},              {66, 0},              {127, 0},             {128, 0},          {0xFFFF, 0},
    };
    for (const auto& [virtualKey, linuxKey] : rows)
        EXPECT_EQ(LinuxKeyCodes::linuxKey(virtualKey), linuxKey) << virtualKey;
}

// "LEFTCTRL+ Z-" is {"KEY_LEFTCTRL 1", "SYN", "KEY_Z 0", "SYN"}: each key change is its own frame.
Lines keyFrames(const std::string& changes)
{
    Lines lines;
    std::istringstream in(changes);
    for (std::string change; in >> change;) {
        lines.push_back("KEY_" + change.substr(0, change.size() - 1) + (change.back() == '+' ? " 1" : " 0"));
        lines.push_back("SYN");
    }
    return lines;
}

class UinputKeyboard : public ::testing::Test {
protected:
    RecordingEvdevFactory* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};

    void SetUp() override { ASSERT_EQ(posting.open(), 0); }
    Lines take() { return factory->logs.back()->take(); }
};

TEST(UinputKeyboardDevice, DescribesEveryKeyTheButtonsAndTheWheels)
{
    auto* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};
    bool inspected = false;
    factory->inspector = [&](const libevdev* device) {
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
    };
    EXPECT_FALSE(posting.isOpen());
    EXPECT_EQ(posting.postScrollWheelEvent(5, 0), UinputEventPosting::kNotOpen);
    EXPECT_EQ(posting.postMouseEvent(EventPosting::kLeftMouseDown, 0, 1, {}), UinputEventPosting::kNotOpen);
    EXPECT_EQ(posting.postModifierKeyEvent(kShiftKey, true), UinputEventPosting::kNotOpen);
    ASSERT_EQ(posting.open(), 0);
    EXPECT_TRUE(inspected);
    EXPECT_TRUE(posting.isOpen());
    EXPECT_EQ(posting.open(), 0);
    EXPECT_EQ(factory->logs.size(), 1u); // opened once
}

// Flags become modifier keys held around the key; modifiers pressed on their
// own stay held until their own release. The cases run in turn on one device,
// so each also starts from what the one before left.
TEST_F(UinputKeyboard, ModifiersAroundKeysStayBalanced)
{
    constexpr uint64_t kAlone = ~uint64_t{0}; // posted as a modifier-only event
    struct Step {
        uint16_t code;
        uint64_t flags;
        bool down;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        const char* expected;
    } cases[] = {
        {"plain key", {{kZ, 0, true}, {kZ, 0, false}}, "Z+ Z-"},
        {"every modifier, released in reverse",
         {{kA, kCommand | kShift | kOption | kControl, true}, {kA, kCommand | kShift | kOption | kControl, false}},
         "LEFTMETA+ LEFTSHIFT+ LEFTALT+ LEFTCTRL+ A+ A- LEFTCTRL- LEFTALT- LEFTSHIFT- LEFTMETA-"},
        {"bits other than the four modifiers are no key",
         {{kX, 0x800000 | kShift, true}, {kX, 0x800000 | kShift, false}}, "LEFTSHIFT+ X+ X- LEFTSHIFT-"},
        // "Command+Shift+A;Command+Shift+B;": both down on the press, both up on the release.
        {"overlapping chords",
         {{kA, kCommand | kShift, true}, {kB, kCommand | kShift, true}, {kA, kCommand | kShift, false},
          {kB, kCommand | kShift, false}},
         "LEFTMETA+ LEFTSHIFT+ A+ B+ A- B- LEFTSHIFT- LEFTMETA-"},
        {"a key goes down with exactly its own flags while another is held",
         {{kZ, kControl, true}, {kX, kShift, true}, {kZ, kControl, false}, {kX, kShift, false}},
         "LEFTCTRL+ Z+ LEFTCTRL- LEFTSHIFT+ X+ Z- X- LEFTSHIFT-"},
        {"a key pressed again over several reports is freed by its one release",
         {{kZ, kControl, true}, {kZ, kControl, true}, {kZ, kControl, true}, {kZ, kControl, false}},
         "LEFTCTRL+ Z+ Z+ Z+ Z- LEFTCTRL-"},
        // "Command+Shift+" as the executor posts it: down in order, up in reverse.
        {"modifier-only events",
         {{kCommandKey, kAlone, true}, {kShiftKey, kAlone, true}, {kShiftKey, kAlone, false},
          {kCommandKey, kAlone, false}},
         "LEFTMETA+ LEFTSHIFT+ LEFTSHIFT- LEFTMETA-"},
        {"a modifier held on its own survives a chord that does not name it",
         {{kControlKey, kAlone, true}, {kZ, kShift, true}, {kZ, kShift, false}, {kControlKey, kAlone, false}},
         "LEFTCTRL+ LEFTSHIFT+ Z+ Z- LEFTSHIFT- LEFTCTRL-"},
        {"a modifier key sent as a key is held as one on its own",
         {{kControlKey, 0, true}, {kZ, kShift, true}, {kZ, kShift, false}, {kControlKey, 0, false}},
         "LEFTCTRL+ LEFTSHIFT+ Z+ Z- LEFTSHIFT- LEFTCTRL-"},
        {"right-hand modifiers have keys of their own",
         {{kRightControlKey, kAlone, true}, {kRightControlKey, kAlone, false}}, "RIGHTCTRL+ RIGHTCTRL-"},
    };
    for (const auto& c : cases) {
        for (const Step& s : c.steps)
            EXPECT_EQ(s.flags == kAlone ? posting.postModifierKeyEvent(s.code, s.down)
                                        : posting.postKeyboardEvent(s.code, s.flags, s.down),
                      0)
                << c.name;
        EXPECT_EQ(take(), keyFrames(c.expected)) << c.name;
    }
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
    const std::tuple<uint32_t, uint32_t, const char*> cases[] = {
        {EventPosting::kLeftMouseDown, 0, "BTN_LEFT 1"},   {EventPosting::kLeftMouseUp, 0, "BTN_LEFT 0"},
        {EventPosting::kRightMouseDown, 1, "BTN_RIGHT 1"}, {EventPosting::kRightMouseUp, 1, "BTN_RIGHT 0"},
        {EventPosting::kOtherMouseDown, 2, "BTN_MIDDLE 1"}, {EventPosting::kOtherMouseUp, 2, "BTN_MIDDLE 0"},
        {EventPosting::kOtherMouseDown, 3, nullptr},       {7, 0, nullptr}, // no such button or type
    };
    for (const auto& [type, button, line] : cases) {
        // Wherever the location says, the click lands at the pointer.
        EXPECT_EQ(posting.postMouseEvent(type, button, 2, Point{500, 600}), line ? 0 : UinputEventPosting::kUnknownKey)
            << type;
        EXPECT_EQ(take(), (line ? Lines{line, "SYN"} : Lines{})) << type;
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
    EXPECT_EQ(posting.postScrollWheelEvent(0, 8), 0); // the horizontal total is its own: 24 + 96
    EXPECT_EQ(take(), (Lines{"REL_HWHEEL_HI_RES 96", "REL_HWHEEL 1", "SYN"}));

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
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(posting.postScrollWheelEvent(kMax, std::numeric_limits<int32_t>::min()), 0);
    EXPECT_EQ(take(), (Lines{"REL_WHEEL_HI_RES " + std::to_string(kMax), "REL_WHEEL " + std::to_string(kMax / 120),
                             "REL_HWHEEL_HI_RES " + std::to_string(-kMax),
                             "REL_HWHEEL " + std::to_string(-kMax / 120), "SYN"}));
}

TEST_F(UinputKeyboard, AFailedWriteIsThePostsResult)
{
    factory->logs.back()->failWith = EIO;
    EXPECT_EQ(posting.postKeyboardEvent(kZ, kControl, true), EIO);
    EXPECT_EQ(posting.postMouseEvent(EventPosting::kLeftMouseDown, 0, 1, {}), EIO);
    EXPECT_EQ(posting.postScrollWheelEvent(1, 0), EIO);
    // The error is not carried over into the next post.
    factory->logs.back()->failWith = 0;
    EXPECT_EQ(posting.postKeyboardEvent(kZ, kControl, false), 0);
}

TEST(UinputPointer, LocationIsTheCursorPosition)
{
    UinputEventPosting posting{std::make_unique<RecordingEvdevFactory>()};
    QCursor::setPos(123, 45);
    EXPECT_EQ(posting.pointerLocation(), (Point{123, 45}));
}

} // namespace
