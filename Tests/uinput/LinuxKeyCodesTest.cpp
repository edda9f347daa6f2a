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
        {0, KEY_A},          {36, KEY_ENTER},     {76, KEY_KPENTER},  {125, KEY_DOWN},    {55, KEY_LEFTMETA},
        {56, KEY_LEFTSHIFT}, {58, KEY_LEFTALT},   {59, KEY_LEFTCTRL}, {62, KEY_RIGHTCTRL}, {39, KEY_APOSTROPHE},
        {41, KEY_SEMICOLON}, {51, KEY_BACKSPACE}, {117, KEY_DELETE},  {114, KEY_INSERT},  {122, KEY_F1},
        {90, KEY_F20},       {71, KEY_CLEAR},     {63, KEY_FN},
    };
    for (const auto& row : rows) EXPECT_EQ(LinuxKeyCodes::linuxKey(row.virtualKey), row.linuxKey) << row.virtualKey;
}

TEST(LinuxKeyCodes, CodesWithoutARowHaveNoKey)
{
    for (uint16_t code : {10, 52, 66, 68, 70, 77, 93, 94, 95, 102, 104, 108, 110, 112, 127, 128, 1000, 0xFFFF})
        EXPECT_EQ(LinuxKeyCodes::linuxKey(code), 0) << code;
}

} // namespace
