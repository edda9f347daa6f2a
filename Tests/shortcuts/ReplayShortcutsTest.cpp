// Shortcut documents and hardware-key reports through the replay library,
// checked line by line as the tool prints them.
#include "ReplayOptions.h"
#include "ReplaySession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

// Key number n on the tablet is key id n - 1; key number 0 releases.
std::string keyDown(int number) { return "02 e0 00 00 " + std::to_string(number) + "\n"; }
const std::string kKeyUp = "02 e0 00 00 00\n";
const std::string kHover = "02 20 98 3a 98 3a 00 00\n";
const std::string kButton1 = "02 c2 98 3a 98 3a 00 00\n";

std::string repeat(const std::string& line, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += line;
    return out;
}

class ReplayShortcuts : public ::testing::Test {
protected:
    // Replays reports with a shortcut document (none: empty); every line but the "event" ones.
    Lines replay(const std::string& document, const std::string& reports, ReplayOptions options = {})
    {
        if (!document.empty()) {
            options.shortcutsFile = dir.file("shortcuts.json");
            std::ofstream(*options.shortcutsFile) << document;
        }
        std::ostringstream out;
        std::string error;
        auto session = ReplaySession::create(options, out, error);
        EXPECT_TRUE(session) << error;
        if (!session) return {};
        std::istringstream in(reports);
        EXPECT_TRUE(session->run(in, error)) << error;
        session.reset();
        Lines lines;
        std::istringstream all(out.str());
        for (std::string line; std::getline(all, line);)
            if (line.rfind("event ", 0) != 0) lines.push_back(line);
        allLines = out.str();
        return lines;
    }
    std::string existing(const std::string& name)
    {
        const std::string path = dir.file(name);
        std::ofstream(path) << "x";
        return path;
    }

    TempDir dir;
    std::string allLines;
};

TEST_F(ReplayShortcuts, ChordOnAHardwareKey)
{
    const auto lines = replay(R"({"0":{"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Z "}})",
                              keyDown(1) + kKeyUp);
    EXPECT_EQ(lines, (Lines{"dispatch key=0 down=1 command=\"Ctrl+Z;\"", "notify DownKey kid=0",
                            "key code=6 flags=0x40000 down=1", "dispatch key=0 down=0 command=\"Ctrl+Z;\"",
                            "key code=6 flags=0x40000 down=0"}));
}

TEST_F(ReplayShortcuts, HeldKeyRepeatsItsPressAndReleasesModifiersInReverse)
{
    const auto lines = replay(R"({"2":{"enableKeyboard":1,"shortcutEvent":"Ctrl+Shift+","keyboardEvent":""}})",
                              repeat(keyDown(3), 2) + kKeyUp);
    EXPECT_EQ(lines, (Lines{"dispatch key=2 down=1 command=\"Ctrl+Shift+\"", "notify DownKey kid=2",
                            "modifier code=56 down=1", "modifier code=59 down=1",
                            "dispatch key=2 down=1 command=\"Ctrl+Shift+\"", "notify DownKey kid=2",
                            "modifier code=56 down=1", "modifier code=59 down=1",
                            "dispatch key=2 down=0 command=\"Ctrl+Shift+\"", "modifier code=59 down=0",
                            "modifier code=56 down=0"}));
}

// The click lands where the tablet last put the pointer, not at --cursor.
TEST_F(ReplayShortcuts, StylusButtonClicksAtThePen)
{
    ReplayOptions options;
    options.cursor = {3, 4};
    const auto lines = replay(R"({"5":{"enableMouse":1,"mouse":"MouseRight;"}})",
                              repeat(kHover, 4) + repeat(kButton1, 4) + repeat(kHover, 4), options);
    std::smatch last;
    const std::regex position(R"(event type=\d+ x=(-?\d+) y=(-?\d+))");
    std::string before = allLines.substr(0, allLines.find("mouse type=3"));
    for (std::sregex_iterator it(before.begin(), before.end(), position), end; it != end; ++it) last = *it;
    ASSERT_FALSE(last.empty());
    const std::string at = " x=" + last[1].str() + " y=" + last[2].str();
    EXPECT_NE(at, " x=3 y=4");
    EXPECT_EQ(lines, (Lines{"dispatch key=5 down=1 command=\"MouseRight;\"", "notify DownKey kid=5",
                            "mouse type=3 button=1 clicks=1" + at, "dispatch key=5 down=0 command=\"MouseRight;\"",
                            "mouse type=4 button=1 clicks=1" + at}));
}

TEST_F(ReplayShortcuts, DisplaySwitchAndProgramWithAnAwkwardPath)
{
    const std::string program = existing("Monitor Tool+1;a:b.app");
    const auto lines = replay(R"({"1":{"enableFunc":1,"function":"Monitor;","enableRun":1,"filePath":")" + program +
                                 R"("}})",
                             keyDown(2) + kKeyUp);
    const std::string command = "Monitor;RunFile:" + program;
    EXPECT_EQ(lines, (Lines{"dispatch key=1 down=1 command=\"" + command + "\"", "notify DownKey kid=1",
                            "notify Monitor", "launch " + program, "dispatch key=1 down=0 command=\"" + command + "\""}));
}

TEST_F(ReplayShortcuts, DocumentFromTheDefaultsFileWhenNoneIsGiven)
{
    const std::string plist = dir.file("defaults.plist");
    std::ofstream(plist) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>com.qorn.sr.brevolaDriver.shortcutSettings</key>
<string>{"0":{"enableMouse":1,"mouse":"MouseDoubleClick;"}}</string>
</dict></plist>)";
    ReplayOptions options;
    options.defaultsFile = plist;
    replay("", keyDown(1) + kKeyUp, options);
    EXPECT_NE(allLines.find("mouse type=2 button=0 clicks=2"), std::string::npos) << allLines;
}

TEST_F(ReplayShortcuts, UnreadableShortcutFileIsRefused)
{
    ReplayOptions options;
    options.shortcutsFile = dir.file("absent.json");
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(ReplaySession::create(options, out, error));
    EXPECT_NE(error.find("absent.json"), std::string::npos);

    const char* argv[] = {"brevola-replay", "--shortcuts", "keys.json", "in.txt"};
    ReplayOptions parsed;
    ASSERT_TRUE(ReplayOptions::parse(4, argv, parsed, error)) << error;
    EXPECT_EQ(parsed.shortcutsFile, "keys.json");
    const char* missing[] = {"brevola-replay", "--shortcuts"};
    EXPECT_FALSE(ReplayOptions::parse(2, missing, parsed, error));
}

} // namespace
