#include "Geometry.h"
#include "PropertyList.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using Failure = PropertyList::ReadFailure::Kind;

namespace {
const PlistValue kSample = PlistValue::Dictionary{
    {"int", 42}, {"negative", -7}, {"big", 1LL << 40}, {"real", 0.1}, {"whole real", 2.0}, // == compares the kind too
    {"true", true}, {"false", false}, {"string", "ümlaut & <xml>"}, {"data", PlistValue::Data{0, 1, 2, 255}},
    {"date", PlistValue::Date{700000000.0}}, {"array", PlistValue::Array{1, 2.5, "three", PlistValue::Array{}}},
    {"wide", PlistValue::Array(300, PlistValue::Array{1})}, // siblings do not nest
    {"dict", PlistValue::Dictionary{{"nested", 1}}}};

// Arrays and dictionaries in turn, `depth` levels.
PlistValue nested(size_t depth)
{
    PlistValue v = PlistValue::Array{};
    while (--depth) v = depth % 2 ? PlistValue(PlistValue::Array{v}) : PlistValue::Dictionary{{"k", v}};
    return v;
}
std::string times(int n, const std::string& text)
{
    std::string out;
    while (n--) out += text;
    return out;
}
} // namespace

// Nesting is measured before the library, which recurses per level, sees it.
TEST(PropertyList, RoundTripsInBothFormatsAndRefusesDeepNesting)
{
    for (auto format : {PropertyList::Format::XML, PropertyList::Format::Binary}) {
        EXPECT_EQ(PropertyList::parse(PropertyList::serialize(kSample, format)), kSample);
        EXPECT_TRUE(PropertyList::parse(PropertyList::serialize(nested(PropertyList::kMaxNesting), format)));
        EXPECT_FALSE(PropertyList::parse(PropertyList::serialize(nested(PropertyList::kMaxNesting + 1), format)));
    }
    // Tags in a comment close nothing. (The defaults store test reads a file 10,000 deep.)
    const std::string comment = "<!--" + times(9, "</array>") + "-->";
    EXPECT_FALSE(PropertyList::parse("<plist><array>" + comment + times(256, "<array>") + times(257, "</array>") + "</plist>"));
}

TEST(PropertyList, FilesWriteAtomicallyThroughLinksKeepingTheirMode)
{
    TempDir dir;
    const std::string path = dir.file("a.plist"), target = dir.file("real/b.plist"), link = dir.file("link");
    PropertyList::ReadFailure failure;
    EXPECT_FALSE(PropertyList::readFile(path, &failure));
    EXPECT_EQ(failure.kind, Failure::Missing);
    ASSERT_TRUE(PropertyList::writeFile(path, kSample));
    EXPECT_EQ(PropertyList::readFile(path), kSample);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::create_directory(dir.file("real"));
    std::ofstream(target) << "old";
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, mode);
    fs::create_symlink("real/b.plist", link);
    ASSERT_TRUE(PropertyList::writeFile(link, 5));
    EXPECT_EQ(PropertyList::readFile(target), PlistValue(5));
    EXPECT_EQ(std::pair(fs::is_symlink(link), fs::status(target).permissions()), std::pair(true, mode));
    // No temporary file is left in either folder.
    const auto entries = [](const std::string& folder) { return std::distance(fs::directory_iterator(folder), {}); };
    EXPECT_EQ(std::pair(entries(dir.path()), entries(dir.file("real"))), std::pair(3L, 1L));

    // Read but no property list, against not readable at all (a folder fails for root too).
    std::ofstream(path) << "this is not a property list";
    EXPECT_FALSE(PropertyList::readFile(path, &failure));
    EXPECT_EQ(failure.kind, Failure::NotAPropertyList);
    EXPECT_FALSE(PropertyList::readFile(dir.file("real"), &failure));
    EXPECT_EQ(std::pair(failure.kind, failure.reason), std::pair(Failure::Unreadable, std::string("Is a directory")));
}

// Numbers convert across kinds as the platform's number object answers them,
// saturating; every double -> int32 conversion truncates, saturates and takes NaN as 0.
TEST(PropertyList, NumbersConvertAcrossKindsAndSaturate)
{
    const std::pair<PlistValue, int32_t> ints[] = {{true, 1}, {3.9, 3}, {1LL << 40, INT32_MAX}, {1e300, INT32_MAX}, {"1", 0}};
    for (const auto& [value, out] : ints) EXPECT_EQ(value.intValue(), out);
    EXPECT_FLOAT_EQ(PlistValue(7).floatValue(), 7.0f);
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, int32_t> cases[] = {{-2.7, -2}, {2.7, 2}, {std::nan(""), 0}, {3e9, INT32_MAX},
                                                {-3e9, INT32_MIN}, {inf, INT32_MAX}, {-inf, INT32_MIN}};
    for (const auto& [in, out] : cases) EXPECT_EQ(truncatedInt32(in), out) << in;
}
