#include "InputEmulator.h"

#include "EventPosting.h"
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

constexpr int64_t kCtrl = 0x40000, kOption = 0x80000, kCommand = 0x100000;

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

    Lines press(const std::string& command, int32_t kid = 0)
    {
        timeline.clear();
        emulator.sendKeyboard(command, true, kid);
        return timeline;
    }
    Lines release(const std::string& command, int32_t kid = 0)
    {
        timeline.clear();
        emulator.sendKeyboard(command, false, kid);
        return timeline;
    }
    std::string existingPath(const std::string& name)
    {
        const std::string path = dir.file(name);
        std::ofstream(path) << "x";
        return path;
    }

    RecordingEventPosting posting;
    RecordingWorkspace workspace;
    PlatformServices services;
    InputEmulator emulator{&services};
    TempDir dir;
    Lines timeline;
    ScopedObserver downKey{InputEmulator::DownKey, nullptr, [this](const Notification& n) {
                               timeline.push_back("notify DownKey kid=" +
                                                  std::to_string(n.userInfo.at("kid").intValue()));
                           }};
    ScopedObserver monitor{InputEmulator::Monitor, nullptr,
                           [this](const Notification&) { timeline.push_back("notify Monitor"); }};
};

// Rules whose events the press-and-release table below does not already show.
TEST_F(InputEmulatorTest, ParseRules)
{
    using A = InputEmulator::Action;
    const struct {
        const char* command;
        std::vector<A> actions;
    } rows[] = {
        {"Z+Ctrl", {KeyInfo{0xFFFF, kCtrl}}},     // a later modifier resets the key
        {"A+B", {KeyInfo{11, 0}}},                 // the chord's key is its last token
        {"Z+MouseLeft", {MouseInfo{0, 1, 0, 1}}},  // the click replaces the chord
        {"Option+Command+Tab", {KeyInfo{48, kOption | kCommand}}},
        {"CapsLock", {KeyInfo{57, 0}}},
        {"Function+Z", {KeyInfo{6, 0}}},
        {"ScrollBack;ScrollBack;", {MouseInfo{0, 0, 5, 0}, MouseInfo{0, 0, 5, 0}}},
        {"MouseLeft+Z", {MouseInfo{0, 1, 0, 1}}}, // an action word ends its group
        {"Ctrl+Monitor;", {KeyInfo{0xFFFF, kCtrl}}},
        {";;+;++", {}},
        {"Ctrl+Shift+MouseLeft;Ctrl+S;", {MouseInfo{0, 1, 0, 1}, KeyInfo{1, kCtrl}}},
    };
    for (const auto& row : rows) EXPECT_EQ(emulator.parseCmd(row.command, false), row.actions) << row.command;
}

TEST_F(InputEmulatorTest, UnknownTokenTouchesNothingAndIsLogged)
{
    LogCapture log;
    const auto actions = emulator.parseCmd("Ctrl+Bogus+Z;Nothing;", true);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0], InputEmulator::Action(KeyInfo{6, kCtrl}));
    EXPECT_TRUE(log.contains("-warn-") && log.contains("\"Bogus\""));
    EXPECT_TRUE(log.contains("\"Nothing\""));
    // Never the "A" key (code 0) for a name it does not know.
    EXPECT_EQ(press("a;"), (Lines{"notify DownKey kid=0"}));
}

TEST_F(InputEmulatorTest, PressAndReleaseOfEveryActionKind)
{
    const std::string at = " x=640 y=360";
    const struct {
        const char* command;
        Lines pressed;
        Lines released;
    } rows[] = {
        {"Ctrl+Z;", {"key code=6 flags=0x40000 down=1"}, {"key code=6 flags=0x40000 down=0"}},
        {"Command+Shift+A;Command+Shift+B;",
         {"key code=0 flags=0x120000 down=1", "key code=11 flags=0x120000 down=1"},
         {"key code=0 flags=0x120000 down=0", "key code=11 flags=0x120000 down=0"}},
        {"MouseLeft;", {"mouse type=1 button=0 clicks=1" + at}, {"mouse type=2 button=0 clicks=1" + at}},
        {"MouseRight;", {"mouse type=3 button=1 clicks=1" + at}, {"mouse type=4 button=1 clicks=1" + at}},
        {"MouseMiddle;", {"mouse type=25 button=2 clicks=1" + at}, {"mouse type=26 button=2 clicks=1" + at}},
        {"MouseDoubleClick;",
         {"mouse type=1 button=0 clicks=1" + at, "mouse type=2 button=0 clicks=1" + at,
          "mouse type=1 button=0 clicks=2" + at, "mouse type=2 button=0 clicks=2" + at},
         {}},
        {"ScrollForward;", {"scroll -5"}, {"scroll -5"}},
        {"ScrollBack;", {"scroll 5"}, {"scroll 5"}},
        // Modifiers alone: down Command, Shift, Option, Control; up in reverse.
        {"Ctrl+Option+Shift+Command+",
         {"modifier code=55 down=1", "modifier code=56 down=1", "modifier code=58 down=1", "modifier code=59 down=1"},
         {"modifier code=59 down=0", "modifier code=58 down=0", "modifier code=56 down=0", "modifier code=55 down=0"}},
        {"Function", {}, {}}, // no flag and no key of its own
        {"Monitor;", {"notify Monitor"}, {}},
        {"", {}, {}},
    };
    for (const auto& row : rows) {
        Lines expected{"notify DownKey kid=3"};
        expected.insert(expected.end(), row.pressed.begin(), row.pressed.end());
        EXPECT_EQ(press(row.command, 3), expected) << row.command;
        EXPECT_EQ(release(row.command, 3), row.released) << row.command;
    }
}

TEST_F(InputEmulatorTest, BrushSwitchFollowsTheParityOfAllPresses)
{
    EXPECT_EQ(press("E,B;", 2), (Lines{"notify DownKey kid=2", "key code=11 flags=0x0 down=1"}));
    EXPECT_EQ(release("E,B;", 2), (Lines{"key code=11 flags=0x0 down=0"}));
    EXPECT_EQ(press("E,B;", 4), (Lines{"notify DownKey kid=4", "key code=14 flags=0x0 down=1"}));
    release("E,B;", 4);
    press("Ctrl+Z;", 0); // any key counts
    EXPECT_EQ(press("E,B;", 2), (Lines{"notify DownKey kid=2", "key code=14 flags=0x0 down=1"}));
    EXPECT_EQ(emulator.downCount(), 4);
    // A release counts nothing, and the switch replaces a modifiers-only chord before it.
    EXPECT_EQ(release("Ctrl+E,B;", 2), (Lines{"key code=14 flags=0x0 down=0"}));
}

// The path is everything after "RunFile:", whatever characters it holds, and
// it is opened on the press only.
TEST_F(InputEmulatorTest, RunPathTakesTheRestOfTheCommand)
{
    for (const char* name : {"Monitor Tool.app", "A+B", "x:y.app", "semi;colon", "MouseLeft+Ctrl;Z"}) {
        const std::string command = "Ctrl+Z;RunFile:" + existingPath(name);
        EXPECT_EQ(press(command), (Lines{"notify DownKey kid=0", "launch " + dir.file(name),
                                         "key code=6 flags=0x40000 down=1"})) << name;
        EXPECT_EQ(release(command), (Lines{"key code=6 flags=0x40000 down=0"})) << name;
    }
    // Text glued to the run word ends the chord before it.
    const std::string program = existingPath("Example.app");
    EXPECT_EQ(press("Ctrl+RunFile:" + program),
              (Lines{"notify DownKey kid=0", "launch " + program, "modifier code=59 down=1"}));
}

TEST_F(InputEmulatorTest, MissingProgramIsLoggedAndNotOpened)
{
    LogCapture log;
    const std::string missing = dir.file("Gone Tool.app");
    EXPECT_EQ(press("RunFile:" + missing), (Lines{"notify DownKey kid=0"}));
    EXPECT_EQ(press("RunFile:"), (Lines{"notify DownKey kid=0"}));
    EXPECT_TRUE(workspace.openedPaths().empty());
    EXPECT_TRUE(log.contains("-warn-") && log.contains(missing));
}

TEST_F(InputEmulatorTest, FailuresOfTheServicesAreLogged)
{
    LogCapture log;
    workspace.setResult(EACCES);
    press("RunFile:" + existingPath("locked.app"));
    posting.setResult(-1);
    for (const char* command : {"Ctrl+Z;", "MouseLeft;", "ScrollBack;"}) press(command);
    for (const char* line : {"could not open", "posting key 6 failed", "posting mouse event 1 failed",
                             "posting scroll failed"})
        EXPECT_TRUE(log.contains(line)) << line;
}

} // namespace
