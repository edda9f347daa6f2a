// Recorded report files through the replay library, checked as a user would
// read the tool's output.
#include "ReportFixture.h"

#include <fstream>
#include <regex>

namespace {

std::string dataFile(const std::string& name) { return std::string(BREVOLA_TEST_DATA_DIR) + "/decoding/data/" + name; }

struct Line {
    std::string text;
    int type = -1;
    std::map<std::string, int> f; // the line's numeric fields
};

class ReplayScenario : public ReplayFixture {
protected:
    std::vector<Line> replay(const std::string& file, ReplayOptions options = {})
    {
        start(options);
        std::ifstream in(dataFile(file));
        EXPECT_TRUE(in) << file;
        std::string error;
        EXPECT_TRUE(session->run(in, error)) << error;
        std::vector<Line> out;
        static const std::regex field(R"(([A-Za-z]+)=(-?\d+))");
        for (const auto& text : lines()) {
            Line l;
            l.text = text;
            for (std::sregex_iterator it(text.begin(), text.end(), field), end; it != end; ++it)
                l.f[(*it)[1]] = std::stoi((*it)[2]);
            if (startsWith(text, "event ")) l.type = l.f["type"];
            out.push_back(l);
        }
        return out;
    }
    static std::vector<Line> ofType(const std::vector<Line>& all, int type)
    {
        std::vector<Line> found;
        for (const auto& l : all)
            if (l.type == type) found.push_back(l);
        return found;
    }
    static int firstOfType(const std::vector<Line>& all, int type)
    {
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].type == type) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(ReplayScenario, HoverInAndOut)
{
    const auto out = replay("hover.txt");
    const auto prox = ofType(out, 24);
    ASSERT_EQ(prox.size(), 2u);
    EXPECT_EQ(prox[0].f.at("enter"), 1);
    EXPECT_EQ(prox[1].f.at("enter"), 0);
    EXPECT_TRUE(ofType(out, 1).empty());
    EXPECT_TRUE(ofType(out, 6).empty());
    // Hovering right: the moves between the pairs never go left.
    int lastX = -1;
    for (const auto& l : ofType(out, 5)) {
        if (l.f.at("subtype") != 1) continue;
        EXPECT_GE(l.f.at("x"), lastX);
        lastX = l.f.at("x");
    }
    EXPECT_GT(lastX, 700); // 27000 of 65535 across 1920 pixels is 791; smoothing lags behind
}

TEST_F(ReplayScenario, StrokeWithPressure)
{
    const auto out = replay("stroke.txt");
    const auto down = ofType(out, 1);
    const auto up = ofType(out, 2);
    ASSERT_EQ(down.size(), 1u);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_GT(down[0].f.at("tabletPressure"), 0);
    EXPECT_EQ(down[0].f.at("pressure"), down[0].f.at("tabletPressure") >> 8);
    const int d = firstOfType(out, 1), u = firstOfType(out, 2);
    const auto drags = ofType(out, 6);
    ASSERT_GE(drags.size(), 3u);
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i].type == 6) {
            EXPECT_TRUE(static_cast<int>(i) > d && static_cast<int>(i) < u);
        }
    // The recording presses harder, then eases off before lifting.
    EXPECT_LT(drags[0].f.at("pressure"), drags[1].f.at("pressure"));
    EXPECT_GT(drags[1].f.at("pressure"), drags.back().f.at("pressure"));
    EXPECT_EQ(up[0].f.at("eventNum"), down[0].f.at("eventNum") + 1);
    EXPECT_EQ(ofType(out, 24).size(), 2u);
}

TEST_F(ReplayScenario, StylusButtonsHeldOverSeveralReports)
{
    const auto out = replay("buttons.txt");
    std::vector<std::string> dispatches;
    for (const auto& l : out)
        if (startsWith(l.text, "dispatch ")) dispatches.push_back(l.text);
    const std::vector<std::string> expected = {
        "dispatch key=5 down=1 command=\"\"", "dispatch key=5 down=0 command=\"\"",
        "dispatch key=6 down=1 command=\"\"", "dispatch key=6 down=0 command=\"\""};
    EXPECT_EQ(dispatches, expected);
    EXPECT_TRUE(ofType(out, 1).empty());
}

TEST_F(ReplayScenario, HardwareKeysFromARecorderFile)
{
    const auto out = replay("keys.txt");
    std::vector<std::string> dispatches;
    for (const auto& l : out)
        if (startsWith(l.text, "dispatch ")) dispatches.push_back(l.text);
    const std::vector<std::string> expected = {
        "dispatch key=0 down=1 command=\"\"", "dispatch key=0 down=0 command=\"\"",
        "dispatch key=4 down=1 command=\"\"", "dispatch key=4 down=1 command=\"\"",
        "dispatch key=4 down=0 command=\"\""};
    EXPECT_EQ(dispatches, expected);
    // Key numbers are no positions: nothing moves the pointer.
    for (const auto& l : out)
        if (l.type == 5 || l.type == 6) {
            EXPECT_EQ(l.f.at("dx"), 0) << l.text;
        }
}

TEST_F(ReplayScenario, RotationAndMappedSubArea)
{
    ReplayOptions o;
    o.defaultsFile = dataFile("rotation.plist");
    const auto out = replay("rotation.txt", o);
    const auto moves = ofType(out, 5);
    ASSERT_FALSE(moves.empty());
    // Rotated 90 degrees, tablet (100, 100) becomes (65435, 100); the upper-left
    // quarter clamps x to its right edge: 1920 * 32766/32767 and 1080 * 100/32767.
    for (const auto& l : moves) {
        EXPECT_EQ(l.f.at("x"), 1919) << l.text;
        EXPECT_EQ(l.f.at("y"), 3) << l.text;
    }
}

TEST_F(ReplayScenario, DeadZoneAndMouseMode)
{
    ReplayOptions dz;
    dz.defaultsFile = dataFile("deadzone.plist");
    auto out = replay("pressure.txt", dz);
    // Raw 4000 is inside a 0.5 dead zone; 6144 is halfway through the rest.
    ASSERT_EQ(ofType(out, 1).size(), 1u);
    EXPECT_EQ(ofType(out, 1)[0].f.at("tabletPressure"), 0);
    for (const auto& l : ofType(out, 6)) EXPECT_EQ(l.f.at("pressure"), 32767);

    ReplayOptions mouse;
    mouse.defaultsFile = dataFile("mousemode.plist");
    out = replay("pressure.txt", mouse);
    for (const auto& l : out) {
        if ((l.type == 5 || l.type == 6) && l.f.at("subtype") == 1) {
            EXPECT_EQ(l.f.at("pressure"), 65535);
        }
        if (l.type == 1) {
            EXPECT_EQ(l.f.at("tabletPressure"), 65535);
        }
    }
}

TEST_F(ReplayScenario, UnusableSettingsFileIsAnError)
{
    ReplayOptions o;
    o.defaultsFile = dataFile("no-such.plist");
    std::string error;
    EXPECT_FALSE(ReplaySession::create(o, out, error));
    EXPECT_NE(error.find("no such file"), std::string::npos);
    o.defaultsFile = dataFile("hover.txt");
    EXPECT_FALSE(ReplaySession::create(o, out, error));
    EXPECT_NE(error.find("not a property list"), std::string::npos);
}

TEST_F(ReplayScenario, BadLineStopsWithItsNumber)
{
    std::istringstream in("# header\n02 20 00 40\n02 zz\n02 20\n");
    std::string error;
    EXPECT_FALSE(session->run(in, error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
}

TEST_F(ReplayScenario, TheExampleInTheReadmeIsCurrent)
{
    const std::string dir = std::string(BREVOLA_TEST_DATA_DIR) + "/../examples/";
    ReplayOptions o;
    o.showPressure = true;
    start(o);
    std::ifstream in(dir + "stroke.txt");
    ASSERT_TRUE(in);
    std::string error;
    ASSERT_TRUE(session->run(in, error)) << error;
    std::ifstream expected(dir + "stroke.out");
    ASSERT_TRUE(expected);
    std::stringstream text;
    text << expected.rdbuf();
    EXPECT_EQ(out.str(), text.str());
}

} // namespace
