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

// Key 1 of the tablet (key id 0) runs a chord; the stylus button (key id 5)
// clicks where the tablet last put the pointer, not at --cursor.
TEST(ReplayShortcuts, HardwareKeysRunTheirShortcuts)
{
    TempDir dir;
    ReplayOptions options;
    options.cursor = {3, 4};
    options.shortcutsFile = dir.file("shortcuts.json");
    std::ofstream(*options.shortcutsFile) << R"({"0":{"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Z "},
                                                 "5":{"enableMouse":1,"mouse":"MouseRight;"}})";
    std::string reports = "02 e0 00 00 01\n02 e0 00 00 00\n";
    for (const char* line : {"02 20 98 3a 98 3a 00 00\n", "02 c2 98 3a 98 3a 00 00\n", "02 20 98 3a 98 3a 00 00\n"})
        for (int i = 0; i < 4; ++i) reports += line;
    std::ostringstream out;
    std::string error;
    auto session = ReplaySession::create(options, out, error);
    ASSERT_TRUE(session) << error;
    std::istringstream in(reports);
    ASSERT_TRUE(session->run(in, error)) << error;
    session.reset();

    const std::string all = out.str(), before = all.substr(0, all.find("mouse type=3"));
    std::smatch last;
    const std::regex position(R"(event type=\d+ x=(-?\d+) y=(-?\d+))");
    for (std::sregex_iterator it(before.begin(), before.end(), position), end; it != end; ++it) last = *it;
    ASSERT_FALSE(last.empty());
    const std::string at = " x=" + last[1].str() + " y=" + last[2].str();
    EXPECT_NE(at, " x=3 y=4");
    Lines lines;
    std::istringstream read(all);
    for (std::string line; std::getline(read, line);)
        if (line.rfind("event ", 0) != 0) lines.push_back(line);
    const std::string chord = " command=\"Ctrl+Z;\"", click = " command=\"MouseRight;\"";
    EXPECT_EQ(lines, (Lines{"dispatch key=0 down=1" + chord, "notify DownKey kid=0", "key code=6 flags=0x40000 down=1",
                            "dispatch key=0 down=0" + chord, "key code=6 flags=0x40000 down=0",
                            "dispatch key=5 down=1" + click, "notify DownKey kid=5", "mouse type=3 button=1 clicks=1" + at,
                            "dispatch key=5 down=0" + click, "mouse type=4 button=1 clicks=1" + at}));

    // A document that cannot be read is refused; --shortcuts wants a file.
    options.shortcutsFile = dir.file("absent.json");
    EXPECT_FALSE(ReplaySession::create(options, out, error));
    EXPECT_NE(error.find("absent.json"), std::string::npos);
    const char* argv[] = {"brevola-replay", "--shortcuts", "keys.json", "in.txt"};
    ReplayOptions parsed;
    ASSERT_TRUE(ReplayOptions::parse(4, argv, parsed, error)) << error;
    EXPECT_EQ(parsed.shortcutsFile, "keys.json");
    EXPECT_FALSE(ReplayOptions::parse(2, argv, parsed, error));
}

} // namespace
