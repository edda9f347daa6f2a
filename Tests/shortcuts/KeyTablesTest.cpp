// The key name tables, the codes of key events, and the display text of commands.
#include "KeyEventCodes.h"
#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace {

// Every name a command runs reads back from its captured code (so a captured
// key runs again) and the captured-only rows name the right-hand modifiers;
// the sizes leave no room for a row more or a name used twice.
TEST(KeyMapInfo, TablesAgreeAndHoldTheTabledRows)
{
    const auto& names = KeyMapInfo::shared().keyString();
    const auto& codes = KeyMapInfo::shared().keyCode();
    EXPECT_EQ(names.size(), 113u);
    EXPECT_EQ(codes.size(), 109u);
    for (const auto& [name, code] : codes) EXPECT_EQ(names.at(code), name == "Ctrl" ? "Control" : name);
    const std::pair<const char*, int32_t> named[] = {{"Ctrl", 59}, {"KeypadEnter", 76}, {"\u2018", 39}, {":", 41},
                                                     {"Space", 49}, {"Function", 63},    {"A", 0},       {"F17", 64}};
    for (const auto& [name, code] : named) EXPECT_EQ(codes.at(name), code) << name;
    const std::pair<int64_t, const char*> rightHand[] = {{62, "Control"}, {54, "Command"}, {60, "Shift"}, {61, "Option"}};
    for (const auto& [code, name] : rightHand) EXPECT_EQ(names.at(code), name) << code;
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
        {"Monitor;RunFile:/a;b/MouseLeft Tool.app", "Switch Display Shell Program:/a;b/MouseLeft Tool.app"},
    };
    for (const auto& [command, shown] : rows) EXPECT_EQ(KeyMapInfo::shortkeyToChina(command), shown) << command;
}

// A key event's code: by its scan code (evdev + 8) whenever it has one, the
// Qt key never consulted then; else by the Qt key, keypad keys by the keypad
// flag. The modifiers, either hand, are told apart.
TEST(KeyEventCodes, ScanCodeFirstThenQtKey)
{
    for (const auto& row : LinuxKeyCodes::rows())
        EXPECT_EQ(KeyEventCodes::fromScanCode(row.linuxKey + 8u), row.virtualKey) << row.linuxKey;
    for (uint32_t unknown : {0u, 7u, 8u, 9u + 0x1000u}) EXPECT_EQ(KeyEventCodes::fromScanCode(unknown), std::nullopt);
    EXPECT_EQ(KeyEventCodes::virtualKey(KEY_Q + 8u, Qt::Key_A, Qt::NoModifier), 12);
    EXPECT_EQ(KeyEventCodes::virtualKey(KEY_NUMLOCK + 8u, Qt::Key_A, Qt::NoModifier), std::nullopt);
    EXPECT_EQ(KeyEventCodes::virtualKey(0, Qt::Key_Period, Qt::NoModifier), 47);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_Period, Qt::KeypadModifier), 65);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_Home, Qt::KeypadModifier), 115);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_Apostrophe, Qt::NoModifier), 39);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_F21, Qt::NoModifier), std::nullopt);
    for (int64_t code = 53; code <= 64; ++code) EXPECT_EQ(KeyEventCodes::isModifier(code), code >= 54 && code <= 63);
}

} // namespace
