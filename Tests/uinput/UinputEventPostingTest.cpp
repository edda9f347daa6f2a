// The virtual keyboard and mouse: the key table, the device's description, and
// what keys, clicks and scrolls write to it.
#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"
#include "RecordingEvdevSink.h"
#include "UinputEventPosting.h"

#include <QCursor>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

namespace {

// A key of its own for every code a shortcut can name or the editor capture
// (and in the key table no row besides), the mouse buttons and the wheels.
TEST(UinputKeyboardDevice, DescribesEveryNamedKeyTheButtonsAndTheWheelsAndOpensOnce)
{
    auto* factory = new RecordingEvdevFactory;
    UinputEventPosting posting{std::unique_ptr<EvdevSinkFactory>(factory)};
    factory->inspector = [&](const libevdev* device) {
        EXPECT_STREQ(libevdev_get_name(device), "Brevola Virtual Keyboard");
        std::set<uint16_t> keys;
        for (const auto& [code, name] : KeyMapInfo::shared().keyString()) {
            const uint16_t key = LinuxKeyCodes::linuxKey(static_cast<uint16_t>(code));
            const char* keyName = libevdev_event_code_get_name(EV_KEY, key);
            EXPECT_TRUE(key && keyName && std::string_view(keyName).starts_with("KEY_")) << name << ": no key";
            EXPECT_TRUE(keys.insert(key).second) << name << " shares its key";
            EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, key)) << name;
        }
        EXPECT_EQ(LinuxKeyCodes::rows().size(), keys.size());
        // The desktop takes a device for a full keyboard only with every key from Escape to S.
        for (unsigned key = KEY_ESC; key <= KEY_S; ++key) EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, key));
        for (unsigned b : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}) EXPECT_TRUE(libevdev_has_event_code(device, EV_KEY, b));
        for (unsigned axis : {REL_X, REL_Y, REL_WHEEL, REL_WHEEL_HI_RES, REL_HWHEEL, REL_HWHEEL_HI_RES})
            EXPECT_TRUE(libevdev_has_event_code(device, EV_REL, axis)) << axis;
        // No absolute axes; and no repeat, which the desktop does for held keys itself.
        EXPECT_FALSE(libevdev_has_event_type(device, EV_ABS) || libevdev_has_event_type(device, EV_REP));
    };
    factory->result = EACCES; // a device the factory cannot make is the open's result, and nothing is posted
    EXPECT_EQ(posting.open(), EACCES);
    const int32_t no = UinputEventPosting::kNotOpen;
    EXPECT_EQ(std::tuple(posting.isOpen(), posting.postKeyboardEvent(0, 0, true), posting.postScrollWheelEvent(5, 0),
                         posting.postMouseEvent(1, 0, 1, {}), posting.postModifierKeyEvent(56, true)),
              std::tuple(false, no, no, no, no));
    factory->result = 0;
    EXPECT_EQ(std::pair(posting.open(), posting.open()), std::pair(0, 0));
    EXPECT_EQ(factory->logs.size(), 1u); // opened once
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
    // "~V,H": a scroll by V pixels vertically and H horizontally.
    int32_t post(const std::string& step)
    {
        static const std::map<char, uint64_t> flagOf{{'c', EventPosting::kCommandFlag}, {'s', EventPosting::kShiftFlag},
            {'o', EventPosting::kOptionFlag}, {'t', EventPosting::kControlFlag}, {'x', 0x800000}};
        static const std::map<std::string, uint16_t> keyOf{
            {"A", 0}, {"Z", 6}, {"X", 7}, {"B", 11}, {"CMD", 55}, {"SHIFT", 56}, {"CTRL", 59}, {"RCTRL", 62}};
        const bool down = step.back() == '+';
        if (int32_t vertical = 0, horizontal = 0; std::sscanf(step.c_str(), "~%d,%d", &vertical, &horizontal) == 2)
            return posting.postScrollWheelEvent(vertical, horizontal);
        if (step[0] == '@') { // the left (1), right (3) or other (25) button's down; its up is the next type
            const uint32_t button = step[1] == 'L' ? 0 : step[1] == 'R' ? 1 : step[1] - '0';
            return posting.postMouseEvent((button == 0 ? 1 : button == 1 ? 3 : 25) + !down, button, 2, Point{500, 600});
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
// own stay held until their own release. Each key change is a frame of its own.
// The steps run in turn on one device, so each case also starts from what the
// one before left.
TEST_F(UinputKeyboard, KeysButtonsAndScrolls)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Z+ Z-", "Z+; Z-;"},
        // Every modifier, released in reverse; bits other than the four are no key.
        {"csot:A+ csot:A-",
         "LEFTMETA+; LEFTSHIFT+; LEFTALT+; LEFTCTRL+; A+; A-; LEFTCTRL-; LEFTALT-; LEFTSHIFT-; LEFTMETA-;"},
        {"xs:X+ xs:X-", "LEFTSHIFT+; X+; X-; LEFTSHIFT-;"},
        // Overlapping chords, "Command+Shift+A;Command+Shift+B;": both down on the press, both up on the release.
        {"cs:A+ cs:B+ cs:A- cs:B-", "LEFTMETA+; LEFTSHIFT+; A+; B+; A-; B-; LEFTSHIFT-; LEFTMETA-;"},
        // A key goes down with exactly its own flags while another is held.
        {"t:Z+ s:X+ t:Z- s:X-", "LEFTCTRL+; Z+; LEFTCTRL-; LEFTSHIFT+; X+; Z-; X-; LEFTSHIFT-;"},
        // A key pressed again over several reports is freed by its one release.
        {"t:Z+ t:Z+ t:Z+ t:Z-", "LEFTCTRL+; Z+; Z+; Z+; Z-; LEFTCTRL-;"},
        // Modifier-only events, "Command+Shift+" as the executor posts it: down in order, up in reverse.
        {"!CMD+ !SHIFT+ !SHIFT- !CMD-", "LEFTMETA+; LEFTSHIFT+; LEFTSHIFT-; LEFTMETA-;"},
        // A modifier held on its own, or sent as a key, survives a chord that does not name it.
        {"!CTRL+ s:Z+ s:Z- !CTRL-", "LEFTCTRL+; LEFTSHIFT+; Z+; Z-; LEFTSHIFT-; LEFTCTRL-;"},
        {"CTRL+ s:Z+ s:Z- CTRL-", "LEFTCTRL+; LEFTSHIFT+; Z+; Z-; LEFTSHIFT-; LEFTCTRL-;"},
        {"!RCTRL+ !RCTRL-", "RIGHTCTRL+; RIGHTCTRL-;"}, // right-hand modifiers have keys of their own
        {"@L+ @L- @R+ @R- @2+ @2-", "BTN_LEFT+; BTN_LEFT-; BTN_RIGHT+; BTN_RIGHT-; BTN_MIDDLE+; BTN_MIDDLE-;"},
        // Keys a swapped row would put in the wrong place, and those matched by meaning.
        {"1+ 36+ 76+ 125+ 39+ 41+ 51+ 117+ 114+ 122+ 90+ 71+ 63+",
         "S+; ENTER+; KPENTER+; DOWN+; APOSTROPHE+; SEMICOLON+; BACKSPACE+; DELETE+; INSERT+; F1+; F20+; CLEAR+; FN+;"},
        // Scrolls keep their sign and send whole detents. 5 pixels on a scroll shortcut's press and 5 on
        // its release make one; what is left carries over, across a change of direction too (-60 in all,
        // then -120: a detent toward the user); the horizontal total is its own (24 + 96).
        {"~5,0 ~5,0 ~3,0 ~-8,0 ~-5,2 ~-25,0 ~0,8 ~0,0",
         "WHEEL_HI_RES=60; WHEEL_HI_RES=60 WHEEL=1; WHEEL_HI_RES=36; WHEEL_HI_RES=-96; WHEEL_HI_RES=-60 WHEEL=-1 "
         "HWHEEL_HI_RES=24; WHEEL_HI_RES=-300 WHEEL=-2; HWHEEL_HI_RES=96 HWHEEL=1;"},
        // Extreme amounts are clamped, not overflowed; with the 60 left over above, 17895696 detents.
        {"~2147483647,-2147483648",
         "WHEEL_HI_RES=2147483647 WHEEL=17895696 HWHEEL_HI_RES=-2147483647 HWHEEL=-17895697;"},
    };
    for (const auto& [steps, expected] : cases) {
        std::istringstream in(steps);
        for (std::string step; in >> step;) EXPECT_EQ(post(step), 0) << step;
        EXPECT_EQ(take(), expected) << steps;
    }
}

// Codes without a row (0 is KEY_RESERVED), in and past the lookup's range;
// keys that are no modifier posted as one; a button or type without a meaning.
TEST_F(UinputKeyboard, RefusalsWriteNothingAndAFailedWriteIsThePostsResult)
{
    for (const char* step : {"t:10+", "t:52+", "t:66+", "t:127+", "t:128+", "t:65535+", "!A+", "!57+", "!63+", "@3+"})
        EXPECT_EQ(post(step), UinputEventPosting::kUnknownKey) << step;
    EXPECT_EQ(posting.postMouseEvent(7, 0, 1, {}), UinputEventPosting::kUnknownKey);
    EXPECT_EQ(take(), "");
    factory->logs.back()->failWith = EIO; // and the error is not carried over into the next post
    EXPECT_EQ(std::tuple(post("t:Z+"), post("@L+"), posting.postScrollWheelEvent(1, 0)), std::tuple(EIO, EIO, EIO));
    factory->logs.back()->failWith = 0;
    EXPECT_EQ(post("t:Z-"), 0);
}

// The stylus starts where the cursor is.
TEST_F(UinputKeyboard, PointerLocationIsTheCursorPosition)
{
    QCursor::setPos(123, 45);
    EXPECT_EQ(posting.pointerLocation(), (Point{123, 45}));
}

} // namespace
