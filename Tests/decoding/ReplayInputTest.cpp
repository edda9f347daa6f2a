// The replay tool's command line and report lines.
#include "ReplayOptions.h"
#include "ReportReader.h"

#include <gtest/gtest.h>

namespace {

TEST(ReplayInput, ReportLines)
{
    std::string full; // 32 bytes
    for (int i = 0; i < 32; ++i) full += "ff ";
    struct Case {
        std::string line;
        ReportReader::Line kind;
        std::vector<uint8_t> start; // expected leading bytes; the rest zero
    } const cases[] = {
        {"02 c1 34 12 78 56 d0 07", ReportReader::Line::Report, {0x02, 0xC1, 0x34, 0x12, 0x78, 0x56, 0xD0, 0x07}},
        {"  2\tC1  f  \r", ReportReader::Line::Report, {0x02, 0xC1, 0x0F}},
        {"", ReportReader::Line::Skipped, {}},
        {"# 02 c1", ReportReader::Line::Skipped, {}},
        {"E: 000012.345678 3 02 e0 01", ReportReader::Line::Report, {0x02, 0xE0, 0x01}},
        {"R: 20 05 01 09 02", ReportReader::Line::Skipped, {}},
        {"N: Some Tablet", ReportReader::Line::Skipped, {}},
        {"02 c1 zz", ReportReader::Line::Invalid, {}},
        {"02 c1 123", ReportReader::Line::Invalid, {}},
        {"E: 000012.345678 4 02 e0 01", ReportReader::Line::Invalid, {}},
        {"E: soon 1 02", ReportReader::Line::Invalid, {}},
        {full, ReportReader::Line::Report, std::vector<uint8_t>(32, 0xFF)},
        {full + "ff", ReportReader::Line::Invalid, {}}, // 33 bytes
    };
    for (const auto& c : cases) {
        ReportReader::Report r;
        r.fill(0xAA);
        std::string error;
        EXPECT_EQ(ReportReader::parse(c.line, r, error), c.kind) << c.line;
        EXPECT_EQ(error.empty(), c.kind != ReportReader::Line::Invalid) << c.line;
        if (c.kind != ReportReader::Line::Report) continue;
        for (size_t i = 0; i < r.size(); ++i)
            EXPECT_EQ(r[i], i < c.start.size() ? c.start[i] : 0) << c.line << " byte " << i;
    }
}

TEST(ReplayInput, CommandLine)
{
    {
        const char* argv[] = {"brevola-replay", "--displays", "0,0,1920,1080;1920,-200,1280,1024", "--cursor", "5,-6.5",
                              "--show-pressure", "--defaults", "s.plist", "in.txt"};
        ReplayOptions o;
        std::string error;
        ASSERT_TRUE(ReplayOptions::parse(9, argv, o, error)) << error;
        ASSERT_EQ(o.displays.size(), 2u);
        EXPECT_EQ(o.displays[1], Rect(1920, -200, 1280, 1024));
        EXPECT_EQ(o.cursor, (Point{5, -6.5}));
        EXPECT_TRUE(o.showPressure);
        EXPECT_EQ(o.defaultsFile.value_or(""), "s.plist");
        EXPECT_EQ(o.input, "in.txt");
    }
    const std::vector<std::vector<const char*>> bad = {
        {"x", "--displays", "0,0,1920"}, {"x", "--displays", "0,0,0,1080"}, {"x", "--displays", "0,0,10,10;"},
        {"x", "--cursor", "1,2,3"},      {"x", "--cursor", "a,b"},          {"x", "--cursor"},
        {"x", "--frobnicate"},           {"x", "a.txt", "b.txt"},
    };
    for (const auto& args : bad) {
        ReplayOptions o;
        std::string error;
        EXPECT_FALSE(ReplayOptions::parse(static_cast<int>(args.size()), args.data(), o, error)) << args[1];
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
