// The replay tool: its command line and report lines, and recorded report
// files through its library, checked as a user would read its output.
#include "ReportFixture.h"

#include <tuple>

namespace {

std::string dataFile(const std::string& name) { return std::string(BREVOLA_TEST_DATA_DIR) + "/decoding/data/" + name; }

TEST(ReplayInput, ReportLines)
{
    std::string full; // 32 bytes
    for (int i = 0; i < 32; ++i) full += "ff ";
    using enum ReportReader::Line;
    // A line, what it is, and the report's leading bytes (the rest zero).
    const std::tuple<std::string, ReportReader::Line, std::vector<uint8_t>> cases[] = {
        {"02 c1 34 12 78 56 d0 07", Report, {0x02, 0xC1, 0x34, 0x12, 0x78, 0x56, 0xD0, 0x07}},
        {"  2\tC1  f  \r", Report, {0x02, 0xC1, 0x0F}}, {"E: 000012.345678 3 02 e0 01", Report, {0x02, 0xE0, 0x01}},
        {full, Report, std::vector<uint8_t>(32, 0xFF)}, {"", Skipped, {}}, {"# 02 c1", Skipped, {}},
        {"R: 20 05 01 09 02", Skipped, {}}, {"N: Some Tablet", Skipped, {}}, {"02 c1 zz", Invalid, {}},
        {"02 c1 123", Invalid, {}}, {"E: 000012.345678 4 02 e0 01", Invalid, {}}, {"E: soon 1 02", Invalid, {}},
        {full + "ff", Invalid, {}}, // 33 bytes
    };
    for (const auto& [line, kind, start] : cases) {
        ReportReader::Report r, expected{};
        r.fill(0xAA);
        std::copy(start.begin(), start.end(), expected.begin());
        std::string error;
        EXPECT_EQ(ReportReader::parse(line, r, error), kind) << line;
        EXPECT_EQ(error.empty(), kind != Invalid) << line;
        if (kind != Report) continue;
        EXPECT_EQ(r, expected) << line;
    }
}

TEST(ReplayInput, CommandLine)
{
    const char* argv[] = {"brevola-replay", "--displays", "0,0,1920,1080;1920,-200,1280,1024", "--cursor", "5,-6.5",
                          "--show-pressure", "--defaults", "s.plist", "in.txt"};
    ReplayOptions o;
    std::string error;
    ASSERT_TRUE(ReplayOptions::parse(9, argv, o, error)) << error;
    EXPECT_EQ(std::tuple(o.displays, o.cursor, o.showPressure, o.defaultsFile.value_or(""), o.input),
              std::tuple(std::vector<Rect>{Rect(0, 0, 1920, 1080), Rect(1920, -200, 1280, 1024)}, Point{5, -6.5}, true,
                         std::string("s.plist"), std::string("in.txt")));
    const std::vector<std::vector<const char*>> bad = {
        {"x", "--displays", "0,0,1920"}, {"x", "--displays", "0,0,0,1080"}, {"x", "--displays", "0,0,10,10;"},
        {"x", "--cursor", "1,2,3"},      {"x", "--cursor", "a,b"},          {"x", "--cursor"},
        {"x", "--frobnicate"},           {"x", "a.txt", "b.txt"},
    };
    for (const auto& args : bad) {
        error.clear();
        EXPECT_FALSE(ReplayOptions::parse(static_cast<int>(args.size()), args.data(), o, error)) << args[1];
        EXPECT_FALSE(error.empty());
    }
}

using ReplayScenario = ReplayFixture;

TEST_F(ReplayScenario, RecordedFiles)
{
    // The file, the settings it runs with, and the trace it leaves. The stroke's
    // is the example in the readme, checked line by line below.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"hover.txt", nullptr, "move in(585,494) move out"},
        // Stylus buttons held over several reports fire once each way, and press no mouse button.
        {"buttons.txt", nullptr, "move in(878,494) 5+ move 5- move 6+ move 6- move"},
        // A recorder file: key numbers are no positions, so nothing moves.
        {"keys.txt", nullptr, "0+ in(0,0) 0- 4+ 4+ 4-"},
        // Rotated 90 degrees, tablet (100, 100) becomes (65435, 100); the upper-left
        // quarter clamps x to its right edge: 1920 * 32766/32767 and 1080 * 100/32767.
        {"rotation.txt", "rotation.plist", "move in(1919,3) move"},
        // Raw 4000 is inside a 0.5 dead zone; 6144 is halfway through the rest.
        {"pressure.txt", "deadzone.plist",
         "move in(585,329) move down move@32767 drag@32767 move@32767 drag@32767 move up"},
        {"pressure.txt", "mousemode.plist",
         "move@65535 in(585,329) move@65535 down@65535 move@65535 drag@65535 move@65535 drag@65535 move@65535 "
         "up@65535"},
    };
    for (const auto& [file, defaults, expected] : cases) {
        ReplayOptions o;
        if (defaults) o.defaultsFile = dataFile(defaults);
        replay(dataFile(file), o);
        EXPECT_EQ(trace(), expected) << file << " " << (defaults ? defaults : "");
    }
}

TEST_F(ReplayScenario, BadSettingsFileOrLineIsAnError)
{
    ReplayOptions o;
    std::string error;
    o.defaultsFile = dataFile("no-such.plist");
    EXPECT_FALSE(ReplaySession::create(o, out, error));
    EXPECT_NE(error.find("no such file"), std::string::npos);
    o.defaultsFile = dataFile("hover.txt");
    EXPECT_FALSE(ReplaySession::create(o, out, error));
    EXPECT_NE(error.find("not a property list"), std::string::npos);

    std::istringstream in("# header\n02 20 00 40\n02 zz\n02 20\n");
    EXPECT_FALSE(session->run(in, error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
}

TEST_F(ReplayScenario, TheExampleInTheReadmeIsCurrent)
{
    const std::string dir = std::string(BREVOLA_TEST_DATA_DIR) + "/../examples/";
    replay(dir + "stroke.txt", kShowPressure);
    std::ifstream expected(dir + "stroke.out");
    std::stringstream text;
    text << expected.rdbuf();
    EXPECT_EQ(out.str(), text.str());
}

} // namespace
