// The virtual keyboard and mouse: the key table, the device's description, and
// what keys, clicks and scrolls write to it.
#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"
#include "RecordingEvdevSink.h"
#include "UinputEventPosting.h"

#include <QCursor>
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

namespace {

// Every code a shortcut can name or the editor can capture has a key of its
// own, and the table has no row besides.
TEST(LinuxKeyCodes, EveryRowOfTheKeyNameTablesHasItsOwnKey)
{
    const auto& names = KeyMapInfo::shared().keyString();
    std::set<uint16_t> used;
    for (const auto& [code, name] : names) {
        const uint16_t key = LinuxKeyCodes::linuxKey(static_cast<uint16_t>(code));
        ASSERT_NE(key, 0) << code << " " << name;
        EXPECT_TRUE(std::string(libevdev_event_code_get_name(EV_KEY, key)).starts_with("KEY_")) << code << ": a button";
        EXPECT_TRUE(used.insert(key).second) << code << " shares its key";
    }
    for (const auto& [name, code] : KeyMapInfo::shared().keyCode())
        EXPECT_NE(LinuxKeyCodes::linuxKey(static_cast<uint16_t>(code)), 0) << name;
    EXPECT_EQ(LinuxKeyCodes::rows().size(), names.size());
}

TEST(UinputKeyboardDevice, DescribesEveryKeyTheButtonsAndTheWheelsAndOpensOnce)
{
    auto* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};
    factory->inspector = [&](const libevdev* device) {
        EXPECT_STREQ(libevdev_get_name(device), "Brevola Virtual Keyboard");
        std::vector<unsigned> keys{BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};
        for (const LinuxKeyCodes::Row& row : LinuxKeyCodes::rows()) keys.push_back(row.linuxKey);
        // The desktop takes a device for a full keyboard only with every key from Escape to S.
        for (unsigned code = KEY_ESC; code <= KEY_S; ++code) keys.push_back(code);
        for (unsigned key : keys) EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, key)) << key;
        for (unsigned axis : {REL_X, REL_Y, REL_WHEEL, REL_WHEEL_HI_RES, REL_HWHEEL, REL_HWHEEL_HI_RES})
            EXPECT_TRUE(libevdev_has_event_code(device, EV_REL, axis)) << axis;
        // No absolute axes; and no repeat, which the desktop does for held keys itself.
        EXPECT_FALSE(libevdev_has_event_type(device, EV_ABS) || libevdev_has_event_type(device, EV_REP));
    };
    const int32_t notOpen = UinputEventPosting::kNotOpen;
    EXPECT_EQ(std::tuple(posting.postScrollWheelEvent(5, 0), posting.postMouseEvent(EventPosting::kLeftMouseDown, 0, 1, {}),
                         posting.postModifierKeyEvent(56, true), posting.isOpen()),
              std::tuple(notOpen, notOpen, notOpen, false));
    ASSERT_EQ(posting.open(), 0);
    EXPECT_TRUE(posting.isOpen());
    EXPECT_EQ(posting.open(), 0);
    EXPECT_EQ(factory->logs.size(), 1u);
}

// "LEFTCTRL+ BTN_LEFT-" as written: each key or button change is its own frame.
std::string keyFrames(const std::string& changes)
{
    std::istringstream in(changes);
    std::string text;
    for (std::string change; in >> change;)
        text += std::string(text.empty() ? "" : ", ") + (change.starts_with("BTN_") ? "" : "KEY_") +
                change.substr(0, change.size() - 1) + (change.back() == '+' ? " 1, SYN" : " 0, SYN");
    return text;
}

class UinputKeyboard : public ::testing::Test {
protected:
    RecordingEvdevFactory* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};

    void SetUp() override { ASSERT_EQ(posting.open(), 0); }
    std::string take() { return factory->logs.back()->take(); }

    // Posts "[flags:][!]KEY+" (down) or "...-" (up). Flags: c, s, o, t for Command,
    // Shift, Option, Control; x a bit of no modifier. KEY: a name below or a
    // virtual key code; "!" posts it as a modifier on its own. "@L+", "@R-", "@2+":
    // the left, right or other mouse button of that number (at a place it ignores).
    int32_t post(const std::string& step)
    {
        static const std::map<char, uint64_t> flagOf{{'c', EventPosting::kCommandFlag}, {'s', EventPosting::kShiftFlag},
                                                     {'o', EventPosting::kOptionFlag},  {'t', EventPosting::kControlFlag},
                                                     {'x', 0x800000}};
        static const std::map<std::string, uint16_t> keyOf{{"A", 0},    {"Z", 6},      {"X", 7},     {"B", 11},
                                                           {"CMD", 55}, {"SHIFT", 56}, {"CTRL", 59}, {"RCTRL", 62}};
        const bool down = step.back() == '+';
        if (step[0] == '@') {
            const uint32_t button = step[1] == 'L' ? 0 : step[1] == 'R' ? 1 : step[1] - '0';
            const uint32_t type = button == 0 ? EventPosting::kLeftMouseDown
                                  : button == 1 ? EventPosting::kRightMouseDown
                                                : EventPosting::kOtherMouseDown;
            return posting.postMouseEvent(type + !down, button, 2, Point{500, 600}); // each up follows its down
        }
        const size_t colon = step.find(':'), from = colon == std::string::npos ? 0 : colon + 1;
        uint64_t flags = 0;
        for (size_t i = 0; i + 1 < from; ++i) flags |= flagOf.at(step[i]);
        const bool alone = step[from] == '!';
        const std::string name = step.substr(from + alone, step.size() - 1 - from - alone);
        const uint16_t code = keyOf.count(name) ? keyOf.at(name) : static_cast<uint16_t>(std::stoi(name));
        return alone ? posting.postModifierKeyEvent(code, down) : posting.postKeyboardEvent(code, flags, down);
    }
};

// Flags become modifier keys held around the key; modifiers pressed on their
// own stay held until their own release. The cases run in turn on one device,
// so each also starts from what the one before left.
TEST_F(UinputKeyboard, KeysAndButtonsWithTheirModifiers)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"plain key", "Z+ Z-", "Z+ Z-"},
        {"every modifier, released in reverse", "csot:A+ csot:A-",
         "LEFTMETA+ LEFTSHIFT+ LEFTALT+ LEFTCTRL+ A+ A- LEFTCTRL- LEFTALT- LEFTSHIFT- LEFTMETA-"},
        {"bits other than the four modifiers are no key", "xs:X+ xs:X-", "LEFTSHIFT+ X+ X- LEFTSHIFT-"},
        // "Command+Shift+A;Command+Shift+B;": both down on the press, both up on the release.
        {"overlapping chords", "cs:A+ cs:B+ cs:A- cs:B-", "LEFTMETA+ LEFTSHIFT+ A+ B+ A- B- LEFTSHIFT- LEFTMETA-"},
        {"a key goes down with exactly its own flags while another is held", "t:Z+ s:X+ t:Z- s:X-",
         "LEFTCTRL+ Z+ LEFTCTRL- LEFTSHIFT+ X+ Z- X- LEFTSHIFT-"},
        {"a key pressed again over several reports is freed by its one release", "t:Z+ t:Z+ t:Z+ t:Z-",
         "LEFTCTRL+ Z+ Z+ Z+ Z- LEFTCTRL-"},
        // "Command+Shift+" as the executor posts it: down in order, up in reverse.
        {"modifier-only events", "!CMD+ !SHIFT+ !SHIFT- !CMD-", "LEFTMETA+ LEFTSHIFT+ LEFTSHIFT- LEFTMETA-"},
        {"a modifier held on its own survives a chord that does not name it", "!CTRL+ s:Z+ s:Z- !CTRL-",
         "LEFTCTRL+ LEFTSHIFT+ Z+ Z- LEFTSHIFT- LEFTCTRL-"},
        {"a modifier key sent as a key is held as one on its own", "CTRL+ s:Z+ s:Z- CTRL-",
         "LEFTCTRL+ LEFTSHIFT+ Z+ Z- LEFTSHIFT- LEFTCTRL-"},
        {"right-hand modifiers have keys of their own", "!RCTRL+ !RCTRL-", "RIGHTCTRL+ RIGHTCTRL-"},
        {"clicks press and release their button", "@L+ @L- @R+ @R- @2+ @2-",
         "BTN_LEFT+ BTN_LEFT- BTN_RIGHT+ BTN_RIGHT- BTN_MIDDLE+ BTN_MIDDLE-"},
        // Keys a swapped row would put in the wrong place, and those matched by meaning.
        {"key table", "1+ 36+ 76+ 125+ 39+ 41+ 51+ 117+ 114+ 122+ 90+ 71+ 63+",
         "S+ ENTER+ KPENTER+ DOWN+ APOSTROPHE+ SEMICOLON+ BACKSPACE+ DELETE+ INSERT+ F1+ F20+ CLEAR+ FN+"},
    };
    for (const auto& [name, steps, expected] : cases) {
        std::istringstream in(steps);
        for (std::string step; in >> step;) EXPECT_EQ(post(step), 0) << name << ": " << step;
        EXPECT_EQ(take(), keyFrames(expected)) << name;
    }
}

// Codes without a row (0 is KEY_RESERVED), in and past the lookup's range;
// keys that are no modifier posted as one; a button or type without a meaning.
TEST_F(UinputKeyboard, CodesWithoutAKeyAreRefusedAndWriteNothing)
{
    for (const char* step : {"t:10+", "t:52+", "t:66+", "t:127+", "t:128+", "t:65535+", "!A+", "!57+", "!63+", "@3+"})
        EXPECT_EQ(post(step), UinputEventPosting::kUnknownKey) << step;
    EXPECT_EQ(posting.postMouseEvent(7, 0, 1, {}), UinputEventPosting::kUnknownKey);
    EXPECT_EQ(take(), "");
}

// In turn on one device: what is left of a detent carries over, across a
// change of direction too.
TEST_F(UinputKeyboard, ScrollKeepsItsSignAndSendsWholeDetents)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
    const std::tuple<int32_t, int32_t, const char*> cases[] = {
        // A scroll shortcut: 5 pixels on the press and 5 on the release make one detent.
        {5, 0, "REL_WHEEL_HI_RES 60, SYN"},
        {5, 0, "REL_WHEEL_HI_RES 60, REL_WHEEL 1, SYN"},
        {3, 0, "REL_WHEEL_HI_RES 36, SYN"},
        {-8, 0, "REL_WHEEL_HI_RES -96, SYN"},                                      // -60 in all
        {-5, 2, "REL_WHEEL_HI_RES -60, REL_WHEEL -1, REL_HWHEEL_HI_RES 24, SYN"}, // -120: a detent toward the user
        {-25, 0, "REL_WHEEL_HI_RES -300, REL_WHEEL -2, SYN"},                     // -60 left over
        {0, 8, "REL_HWHEEL_HI_RES 96, REL_HWHEEL 1, SYN"},                        // horizontal on its own: 24 + 96
        {0, 0, ""},
        // Extreme amounts are clamped, not overflowed; 2147483647 - 60 is 17895696 detents.
        {kMax, kMin,
         "REL_WHEEL_HI_RES 2147483647, REL_WHEEL 17895696, REL_HWHEEL_HI_RES -2147483647, REL_HWHEEL -17895697, SYN"},
    };
    for (const auto& [vertical, horizontal, written] : cases) {
        EXPECT_EQ(posting.postScrollWheelEvent(vertical, horizontal), 0);
        EXPECT_EQ(take(), written) << vertical << ", " << horizontal;
    }
}

TEST_F(UinputKeyboard, AFailedWriteIsThePostsResultAndIsNotCarriedOver)
{
    factory->logs.back()->failWith = EIO;
    EXPECT_EQ(std::tuple(post("t:Z+"), post("@L+"), posting.postScrollWheelEvent(1, 0)), std::tuple(EIO, EIO, EIO));
    factory->logs.back()->failWith = 0;
    EXPECT_EQ(post("t:Z-"), 0);
}

TEST(UinputPointer, LocationIsTheCursorPosition)
{
    UinputEventPosting posting{std::make_unique<RecordingEvdevFactory>()};
    QCursor::setPos(123, 45);
    EXPECT_EQ(posting.pointerLocation(), (Point{123, 45}));
}

} // namespace
