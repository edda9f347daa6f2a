#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include <set>
#include <string_view>

namespace {

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

TEST(LinuxKeyCodes, SpotChecks)
{
    const struct {
        uint16_t virtualKey;
        uint16_t linuxKey;
    } rows[] = {
        {0, KEY_A},           {1, KEY_S},          {6, KEY_Z},           {11, KEY_B},         {14, KEY_E},
        {18, KEY_1},          {29, KEY_0},         {24, KEY_EQUAL},      {39, KEY_APOSTROPHE}, {41, KEY_SEMICOLON},
        {42, KEY_BACKSLASH},  {50, KEY_GRAVE},     {36, KEY_ENTER},      {48, KEY_TAB},       {49, KEY_SPACE},
        {51, KEY_BACKSPACE},  {53, KEY_ESC},       {117, KEY_DELETE},    {76, KEY_KPENTER},   {125, KEY_DOWN},
        {126, KEY_UP},        {123, KEY_LEFT},     {124, KEY_RIGHT},     {55, KEY_LEFTMETA},  {56, KEY_LEFTSHIFT},
        {58, KEY_LEFTALT},    {59, KEY_LEFTCTRL},  {54, KEY_RIGHTMETA},  {60, KEY_RIGHTSHIFT}, {61, KEY_RIGHTALT},
        {62, KEY_RIGHTCTRL},  {57, KEY_CAPSLOCK},  {122, KEY_F1},        {120, KEY_F2},       {111, KEY_F12},
        {90, KEY_F20},        {75, KEY_KPSLASH},   {82, KEY_KP0},        {92, KEY_KP9},       {74, KEY_MUTE},
    };
    for (const auto& row : rows) EXPECT_EQ(LinuxKeyCodes::linuxKey(row.virtualKey), row.linuxKey) << row.virtualKey;
}

TEST(LinuxKeyCodes, CodesWithoutARowHaveNoKey)
{
    for (uint16_t code : {10, 52, 66, 68, 70, 77, 93, 94, 95, 102, 104, 108, 110, 112, 127, 128, 1000, 0xFFFF})
        EXPECT_EQ(LinuxKeyCodes::linuxKey(code), 0) << code;
}

} // namespace
