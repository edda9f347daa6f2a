// A shortcut document and tablet reports through the replay library, checked
// as the tool prints them.
#include "ReplayOptions.h"
#include "ReplaySession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

// The stylus button (key id 5) runs its shortcut, a click where the tablet
// last put the pointer, not at --cursor.
TEST(ReplayShortcuts, StylusButtonClicksAtThePen)
{
    TempDir dir;
    ReplayOptions options;
    options.cursor = {3, 4};
    options.shortcutsFile = dir.file("shortcuts.json");
    std::ofstream(*options.shortcutsFile) << R"({"5":{"enableMouse":1,"mouse":"MouseRight;"}})";
    std::string reports;
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
    std::string lines; // all but the tablet's own "event" lines
    std::istringstream read(all);
    for (std::string line; std::getline(read, line);)
        if (line.rfind("event ", 0) != 0) lines += line + "\n";
    const std::string command = " command=\"MouseRight;\"\n";
    EXPECT_EQ(lines, "dispatch key=5 down=1" + command + "notify DownKey kid=5\nmouse type=3 button=1 clicks=1" + at +
                         "\ndispatch key=5 down=0" + command + "mouse type=4 button=1 clicks=1" + at + "\n");
}

} // namespace
