#include "KeyMapInfo.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const KeyMapInfo& keys() { return KeyMapInfo::shared(); }

// Every name a command runs reads back from its captured code (so a captured
// key runs again), and the captured-only rows name the right-hand modifiers.
TEST(KeyMapInfo, TablesAgreeAndHoldTheTabledRows)
{
    EXPECT_EQ(keys().keyString().size(), 113u);
    EXPECT_EQ(keys().keyCode().size(), 109u);
    for (const auto& [name, code] : keys().keyCode()) {
        const auto back = keys().keyString().find(code);
        ASSERT_NE(back, keys().keyString().end()) << name;
        EXPECT_EQ(back->second, name == "Ctrl" ? "Control" : name);
    }
    std::set<std::string> names;
    for (const auto& [code, name] : keys().keyString())
        if (code != 54 && code != 60 && code != 61 && code != 62) names.insert(name);
    EXPECT_EQ(names.size(), 109u) << "a name stands for two left-hand keys";

    const std::pair<const char*, int32_t> named[] = {
        {"Ctrl", 59}, {"KeypadEnter", 76}, {"DownArrow", 125}, {"\u2018", 39}, {":", 41}, {"Space", 49},
        {"Function", 63}, {"A", 0}, {"F17", 64}, {"Mute", 74}, {"Keypad8", 91},
    };
    for (const auto& [name, code] : named) EXPECT_EQ(keys().keyCode().at(name), code) << name;
    for (const char* absent : {"Control", "+", ";", "'", "a", "ctrl", " ", ""})
        EXPECT_EQ(keys().keyCode().count(absent), 0u) << '"' << absent << '"';

    const std::pair<int64_t, const char*> rightHand[] = {{62, "Control"}, {54, "Command"}, {60, "Shift"}, {61, "Option"}};
    for (const auto& [code, name] : rightHand) EXPECT_EQ(keys().keyString().at(code), name) << code;
    for (int64_t absent : {10, 52, 66, 68, 70, 77, 93, 94, 95, 102, 104, 108, 110, 112, 127, 200, -1})
        EXPECT_EQ(keys().keyString().count(absent), 0u) << absent;
}

TEST(KeyMapInfo, DisplayText)
{
    const std::pair<const char*, const char*> rows[] = {
        {"MouseLeft;", "Left Button "},
        {"MouseRight;MouseMiddle;MouseDoubleClick;ScrollForward;ScrollBack;",
         "Right Button;Middle Button;Double Click;Scroll Forward;Scroll Backward;"},
        {"Ctrl+Z;", "Ctrl+Z "},
        {"Ctrl+A;Ctrl+B;", "Ctrl+A;Ctrl+B;"},
        {"E,B;Monitor;", "Switch Brush;Switch Display;"},
        {"Ctrl+", "Ctrl+"},
        {"", "Undefined"},
        {"E,B;RunFile:/opt/x", "Switch Brush Shell Program:/opt/x"},
        {"RunFile:", "Shell Program:"},
        // The path is shown as written, whatever it holds.
        {"RunFile:/Applications/Monitor Tool.app", "Shell Program:/Applications/Monitor Tool.app"},
        {"Monitor;RunFile:/a;b/MouseLeft", "Switch Display Shell Program:/a;b/MouseLeft"},
    };
    for (const auto& [command, shown] : rows) EXPECT_EQ(KeyMapInfo::shortkeyToChina(command), shown) << command;
}

} // namespace
