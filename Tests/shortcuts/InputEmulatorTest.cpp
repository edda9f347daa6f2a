#include "InputEmulator.h"

#include "LogCapture.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "RecordingEventPosting.h"
#include "RecordingWorkspace.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

namespace {

using Lines = std::vector<std::string>;

// An executor wired to recording services; every event, notification and
// launch lands on one timeline in the order it happened.
class InputEmulatorTest : public ::testing::Test {
protected:
    InputEmulatorTest()
    {
        services.eventPosting = &posting;
        services.workspace = &workspace;
        posting.setPointerLocation({640, 360});
        posting.setObserver([this](const PostedEvent& e) { timeline.push_back(e.describe()); });
        workspace.setObserver([this](const std::string& p) { timeline.push_back(RecordingWorkspace::describe(p)); });
    }
    // What a press (down) or a release of the key does.
    Lines send(const std::string& command, bool down, int32_t kid = 0)
    {
        timeline.clear();
        emulator.sendKeyboard(command, down, kid);
        return timeline;
    }

    RecordingEventPosting posting;
    RecordingWorkspace workspace;
    PlatformServices services;
    InputEmulator emulator{&services};
    TempDir dir;
    Lines timeline;
    ScopedObserver downKey{InputEmulator::DownKey, nullptr, [this](const Notification& n) {
                               timeline.push_back("notify DownKey kid=" + std::to_string(n.userInfo.at("kid").intValue()));
                           }};
    ScopedObserver monitor{InputEmulator::Monitor, nullptr,
                           [this](const Notification&) { timeline.push_back("notify Monitor"); }};
};

// What a press posts after "DownKey", by the parse rules of the command, and
// what its release posts (where the row gives it).
TEST_F(InputEmulatorTest, PressAndReleasePostTheActionsOfTheCommand)
{
    const std::string at = " x=640 y=360", click = "mouse type=1 button=0 clicks=1" + at;
    // The path is everything after "RunFile:", whatever it holds; it is opened on the press only.
    const std::string awkward = dir.file("MouseLeft+Ctrl;Z x:y.app"), missing = dir.file("Gone Tool.app");
    std::ofstream(awkward) << "x";
    const struct {
        std::string command;
        Lines pressed;
        std::optional<Lines> released;
    } rows[] = {
        {"Ctrl+Z;", {"key code=6 flags=0x40000 down=1"}, Lines{"key code=6 flags=0x40000 down=0"}},
        {"Command+Shift+A;Command+Shift+B;", {"key code=0 flags=0x120000 down=1", "key code=11 flags=0x120000 down=1"}, {}},
        {"Z+Ctrl", {"modifier code=59 down=1"}, {}},                 // a later modifier resets the key
        {"A+B", {"key code=11 flags=0x0 down=1"}, {}},               // the chord's key is its last token
        {"Z+MouseLeft", {click}, Lines{"mouse type=2 button=0 clicks=1" + at}}, // the click replaces the chord
        {"MouseLeft+Z", {click}, {}},                                // an action word ends its group
        {"Ctrl+Shift+MouseLeft;Ctrl+S;", {click, "key code=1 flags=0x40000 down=1"}, {}},
        {"CapsLock", {"key code=57 flags=0x0 down=1"}, {}},
        {"Function", {}, {}},                                        // no flag and no key of its own
        {"MouseRight;", {"mouse type=3 button=1 clicks=1" + at}, {}},
        {"MouseMiddle;", {"mouse type=25 button=2 clicks=1" + at}, {}},
        {"MouseDoubleClick;", {click, "mouse type=2 button=0 clicks=1" + at, "mouse type=1 button=0 clicks=2" + at,
                               "mouse type=2 button=0 clicks=2" + at}, Lines{}},
        {"ScrollForward;ScrollBack;", {"scroll -5", "scroll 5"}, Lines{"scroll -5", "scroll 5"}}, // scrolls twice
        // Modifiers alone: down Command, Shift, Option, Control; up in reverse.
        {"Ctrl+Option+Shift+Command+",
         {"modifier code=55 down=1", "modifier code=56 down=1", "modifier code=58 down=1", "modifier code=59 down=1"},
         Lines{"modifier code=59 down=0", "modifier code=58 down=0", "modifier code=56 down=0", "modifier code=55 down=0"}},
        {"Ctrl+Monitor;", {"notify Monitor", "modifier code=59 down=1"}, Lines{"modifier code=59 down=0"}},
        {"Ctrl+Bogus+Z;Nothing;", {"key code=6 flags=0x40000 down=1"}, {}}, // unknown: nothing, never the "A" key
        {";;+;++", {}, Lines{}},
        {"Ctrl+Z;RunFile:" + awkward, {"launch " + awkward, "key code=6 flags=0x40000 down=1"},
         Lines{"key code=6 flags=0x40000 down=0"}},
        {"Ctrl+RunFile:" + awkward, {"launch " + awkward, "modifier code=59 down=1"}, {}}, // glued text ends the chord
        {"RunFile:" + missing, {}, {}},
        {"RunFile:", {}, {}},
    };
    LogCapture log;
    for (const auto& row : rows) {
        Lines expected{"notify DownKey kid=3"};
        expected.insert(expected.end(), row.pressed.begin(), row.pressed.end());
        EXPECT_EQ(send(row.command, true, 3), expected) << row.command;
        if (row.released) {
            EXPECT_EQ(send(row.command, false, 3), *row.released) << row.command;
        }
    }
    // Every failure of the services is logged too.
    workspace.setResult(EACCES);
    posting.setResult(-1);
    send("RunFile:" + awkward, true);
    for (const char* command : {"Ctrl+Z;", "MouseLeft;", "ScrollBack;"}) send(command, true);
    const std::string logged[] = {"\"Bogus\"", "\"Nothing\"", missing, "could not open", "posting key 6 failed",
                                  "posting mouse event 1 failed", "posting scroll failed"};
    for (const std::string& line : logged) EXPECT_TRUE(log.contains("-warn-") && log.contains(line)) << line;
}

TEST_F(InputEmulatorTest, BrushSwitchFollowsTheParityOfAllPresses)
{
    EXPECT_EQ(send("E,B;", true, 2), (Lines{"notify DownKey kid=2", "key code=11 flags=0x0 down=1"}));
    EXPECT_EQ(send("E,B;", false, 2), (Lines{"key code=11 flags=0x0 down=0"}));
    EXPECT_EQ(send("E,B;", true, 4), (Lines{"notify DownKey kid=4", "key code=14 flags=0x0 down=1"}));
    send("Ctrl+Z;", true); // any key counts
    EXPECT_EQ(send("E,B;", true, 2), (Lines{"notify DownKey kid=2", "key code=14 flags=0x0 down=1"}));
    EXPECT_EQ(emulator.downCount(), 4);
    // A release counts nothing, and the switch replaces a modifiers-only chord before it.
    EXPECT_EQ(send("Ctrl+E,B;", false, 2), (Lines{"key code=14 flags=0x0 down=0"}));
}

} // namespace
