#include "KeyMapInfo.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const KeyMapInfo& keys() { return KeyMapInfo::shared(); }

TEST(KeyMapInfo, TablesHaveTheirSizes)
{
    EXPECT_EQ(keys().keyString().size(), 113u);
    EXPECT_EQ(keys().keyCode().size(), 109u);
}

TEST(KeyMapInfo, NameToCode)
{
    const struct {
        const char* name;
        int32_t code;
    } rows[] = {
        {"Ctrl", 59}, {"RightArrow", 124}, {"KeypadDivide", 75}, {"KeypadEnter", 76}, {"DownArrow", 125},
        {"\u2018", 39}, {":", 41}, {"\\", 42}, {"Space", 49}, {"=", 24}, {"Command", 55}, {"Shift", 56},
        {"Option", 58}, {"Function", 63}, {"A", 0}, {"F17", 64}, {"F20", 90}, {"Mute", 74}, {"Keypad8", 91},
    };
    for (const auto& row : rows) {
        const auto found = keys().keyCode().find(row.name);
        ASSERT_NE(found, keys().keyCode().end()) << row.name;
        EXPECT_EQ(found->second, row.code) << row.name;
    }
    for (const char* absent : {"Control", "+", ";", "'", "a", "ctrl", " ", ""})
        EXPECT_EQ(keys().keyCode().count(absent), 0u) << '"' << absent << '"';
}

TEST(KeyMapInfo, CodeToName)
{
    const struct {
        int64_t code;
        const char* name;
    } rows[] = {{62, "Control"}, {59, "Control"}, {54, "Command"}, {60, "Shift"}, {61, "Option"},
                {76, "KeypadEnter"}, {125, "DownArrow"}, {39, "\u2018"}, {41, ":"}, {49, "Space"}};
    for (const auto& row : rows) {
        const auto found = keys().keyString().find(row.code);
        ASSERT_NE(found, keys().keyString().end()) << row.code;
        EXPECT_EQ(found->second, row.name) << row.code;
    }
    for (int64_t absent : {10, 52, 66, 68, 70, 77, 93, 94, 95, 102, 104, 108, 110, 112, 127, 200, -1})
        EXPECT_EQ(keys().keyString().count(absent), 0u) << absent;
}

// Every name read back from a captured code runs that same key again.
TEST(KeyMapInfo, TablesAgreeOnEverySharedRow)
{
    for (const auto& [name, code] : keys().keyCode()) {
        if (name == "Ctrl") continue;
        const auto back = keys().keyString().find(code);
        ASSERT_NE(back, keys().keyString().end()) << name;
        EXPECT_EQ(back->second, name);
    }
    std::set<std::string> names;
    for (const auto& [code, name] : keys().keyString())
        if (code != 54 && code != 60 && code != 61 && code != 62) names.insert(name);
    EXPECT_EQ(names.size(), 109u) << "a name stands for two left-hand keys";
}

TEST(KeyMapInfo, DisplayText)
{
    const struct {
        const char* command;
        const char* shown;
    } rows[] = {
        {"MouseLeft;", "Left Button "},
        {"MouseRight;", "Right Button "},
        {"MouseMiddle;", "Middle Button "},
        {"MouseDoubleClick;", "Double Click "},
        {"ScrollForward;", "Scroll Forward "},
        {"ScrollBack;", "Scroll Backward "},
        {"Ctrl+Z;", "Ctrl+Z "},
        {"Ctrl+A;Ctrl+B;", "Ctrl+A;Ctrl+B;"},
        {"E,B;Monitor;", "Switch Brush;Switch Display;"},
        {"Ctrl+", "Ctrl+"},
        {"", "Undefined"},
        {"RunFile:/Applications/Example.app", "Shell Program:/Applications/Example.app"},
        {"E,B;RunFile:/opt/x", "Switch Brush Shell Program:/opt/x"},
        // The path is shown as written, whatever it holds.
        {"RunFile:/Applications/Monitor Tool.app", "Shell Program:/Applications/Monitor Tool.app"},
        {"Monitor;RunFile:/a;b/MouseLeft", "Switch Display Shell Program:/a;b/MouseLeft"},
        {"RunFile:", "Shell Program:"},
    };
    for (const auto& row : rows) EXPECT_EQ(KeyMapInfo::shortkeyToChina(row.command), row.shown) << row.command;
}

} // namespace
