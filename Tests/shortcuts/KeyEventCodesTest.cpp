#include "KeyEventCodes.h"

#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <set>

namespace {

// Every key the tables name can be captured on a desktop (by its scan code)
// and in tests (by a Qt key), and comes back as the same code.
TEST(KeyEventCodes, EveryTabledKeyIsReachable)
{
    for (const auto& row : LinuxKeyCodes::rows())
        EXPECT_EQ(KeyEventCodes::fromScanCode(row.linuxKey + 8u), row.virtualKey) << row.linuxKey;
    for (uint32_t unknown : {0u, 7u, 8u, 9u + 0x1000u}) EXPECT_EQ(KeyEventCodes::fromScanCode(unknown), std::nullopt);

    std::set<int64_t> reached;
    auto collect = [&](int first, int last) {
        for (int key = first; key <= last; ++key)
            for (auto modifiers : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::KeypadModifier)})
                if (const auto code = KeyEventCodes::fromQtKey(key, modifiers)) reached.insert(*code);
    };
    collect(Qt::Key_Space, Qt::Key_AsciiTilde);
    collect(Qt::Key_Escape, Qt::Key_Direction_R);
    collect(Qt::Key_F1, Qt::Key_F35);
    collect(Qt::Key_VolumeDown, Qt::Key_VolumeUp);
    for (const auto& [name, code] : KeyMapInfo::shared().keyCode()) {
        if (name == "Function") continue; // Qt has no key for it; a modifier is never captured anyway
        EXPECT_EQ(reached.count(code), 1u) << name << " has no Qt key";
    }

    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_Period, Qt::NoModifier), 47);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_Period, Qt::KeypadModifier), 65);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_Home, Qt::KeypadModifier), 115);
    EXPECT_EQ(KeyEventCodes::fromQtKey(Qt::Key_F21, Qt::NoModifier), std::nullopt);
    // With a scan code the Qt key is not consulted.
    EXPECT_EQ(KeyEventCodes::virtualKey(KEY_Q + 8u, Qt::Key_A, Qt::NoModifier), 12);
}

} // namespace
