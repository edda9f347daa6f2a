// Recorded report files through the replay library, checked as a user would
// read the tool's output.
#include "ReportFixture.h"

#include <fstream>

namespace {

std::string dataFile(const std::string& name) { return std::string(BREVOLA_TEST_DATA_DIR) + "/decoding/data/" + name; }

// The numeric field `name` of an output line.
int field(const std::string& line, const std::string& name)
{
    const size_t at = line.find(" " + name + "=");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no " << name << " in " << line;
        return -1;
    }
    return std::stoi(line.substr(at + name.size() + 2));
}

class ReplayScenario : public ReplayFixture {
protected:
    // The file (in data/ unless a path) through a fresh session; its lines land in out.
    void replay(const std::string& file, ReplayOptions options = {})
    {
        start(options);
        std::ifstream in(file.find('/') == std::string::npos ? dataFile(file) : file);
        ASSERT_TRUE(in) << file;
        std::string error;
        EXPECT_TRUE(session->run(in, error)) << error;
    }
    std::vector<std::string> ofType(int type) const { return linesStartingWith("event type=" + std::to_string(type) + " "); }
    // Tablet-point moves and drags: those with a pressure.
    std::vector<std::string> pointMoves() const
    {
        std::vector<std::string> found;
        for (const auto& l : linesStartingWith("event type="))
            if ((field(l, "type") == 5 || field(l, "type") == 6) && field(l, "subtype") == 1) found.push_back(l);
        return found;
    }
};

TEST_F(ReplayScenario, HoverInAndOut)
{
    replay("hover.txt");
    const auto prox = ofType(24);
    ASSERT_EQ(prox.size(), 2u);
    EXPECT_EQ(field(prox[0], "enter"), 1);
    EXPECT_EQ(field(prox[1], "enter"), 0);
    EXPECT_TRUE(ofType(1).empty());
    EXPECT_TRUE(ofType(6).empty());
    // Hovering right: the moves never go left.
    int lastX = -1;
    for (const auto& l : pointMoves()) {
        EXPECT_GE(field(l, "x"), lastX) << l;
        lastX = field(l, "x");
    }
    EXPECT_GT(lastX, 700); // 27000 of 65535 across 1920 pixels is 791; smoothing lags behind
}

TEST_F(ReplayScenario, StrokeWithPressure)
{
    replay("stroke.txt");
    ASSERT_EQ(ofType(1).size(), 1u);
    ASSERT_EQ(ofType(2).size(), 1u);
    // Every drag lies between the button down and up.
    bool pressed = false;
    for (const auto& l : linesStartingWith("event type=")) {
        pressed = field(l, "type") == 1 || (pressed && field(l, "type") != 2);
        EXPECT_TRUE(field(l, "type") != 6 || pressed) << l;
    }
    const auto drags = ofType(6);
    ASSERT_GE(drags.size(), 3u);
    // The recording presses harder, then eases off before lifting.
    EXPECT_LT(field(drags[0], "pressure"), field(drags[1], "pressure"));
    EXPECT_GT(field(drags[1], "pressure"), field(drags.back(), "pressure"));
}

TEST_F(ReplayScenario, StylusButtonsAndHardwareKeys)
{
    struct Case {
        const char* file;
        std::vector<std::string> dispatches;
        const char* absent; // no line may hold this
    } const cases[] = {
        // Stylus buttons held over several reports fire once each way, and press no mouse button.
        {"buttons.txt",
         {"dispatch key=5 down=1 command=\"\"", "dispatch key=5 down=0 command=\"\"",
          "dispatch key=6 down=1 command=\"\"", "dispatch key=6 down=0 command=\"\""},
         "event type=1 "},
        // Hardware keys from a recorder file: key numbers are no positions, so nothing
        // moves the pointer or presses a button.
        {"keys.txt",
         {"dispatch key=0 down=1 command=\"\"", "dispatch key=0 down=0 command=\"\"",
          "dispatch key=4 down=1 command=\"\"", "dispatch key=4 down=1 command=\"\"",
          "dispatch key=4 down=0 command=\"\""},
         "subtype=1"},
    };
    for (const auto& c : cases) {
        replay(c.file);
        EXPECT_EQ(linesStartingWith("dispatch "), c.dispatches) << c.file;
        EXPECT_EQ(out.str().find(c.absent), std::string::npos) << c.file;
    }
}

TEST_F(ReplayScenario, RotationAndMappedSubArea)
{
    ReplayOptions o;
    o.defaultsFile = dataFile("rotation.plist");
    replay("rotation.txt", o);
    const auto moves = ofType(5);
    ASSERT_FALSE(moves.empty());
    // Rotated 90 degrees, tablet (100, 100) becomes (65435, 100); the upper-left
    // quarter clamps x to its right edge: 1920 * 32766/32767 and 1080 * 100/32767.
    for (const auto& l : moves) {
        EXPECT_EQ(field(l, "x"), 1919) << l;
        EXPECT_EQ(field(l, "y"), 3) << l;
    }
}

TEST_F(ReplayScenario, DeadZoneAndMouseMode)
{
    ReplayOptions o;
    o.defaultsFile = dataFile("deadzone.plist");
    replay("pressure.txt", o);
    // Raw 4000 is inside a 0.5 dead zone; 6144 is halfway through the rest.
    ASSERT_EQ(ofType(1).size(), 1u);
    EXPECT_EQ(field(ofType(1)[0], "tabletPressure"), 0);
    ASSERT_FALSE(ofType(6).empty());
    for (const auto& l : ofType(6)) EXPECT_EQ(field(l, "pressure"), 32767) << l;

    o.defaultsFile = dataFile("mousemode.plist");
    replay("pressure.txt", o);
    ASSERT_EQ(ofType(1).size(), 1u);
    EXPECT_EQ(field(ofType(1)[0], "tabletPressure"), 65535);
    for (const auto& l : pointMoves()) EXPECT_EQ(field(l, "pressure"), 65535) << l;
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
    ReplayOptions o;
    o.showPressure = true;
    replay(dir + "stroke.txt", o);
    std::ifstream expected(dir + "stroke.out");
    ASSERT_TRUE(expected);
    std::stringstream text;
    text << expected.rdbuf();
    EXPECT_EQ(out.str(), text.str());
}

} // namespace
