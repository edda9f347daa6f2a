#include "PropertyList.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
PlistValue sample()
{
    PlistValue::Dictionary d;
    d["int"] = 42;
    d["negative"] = -7;
    d["big"] = 1LL << 40;
    d["real"] = 0.1;
    d["whole real"] = 2.0; // must stay a real, not become an integer
    d["true"] = true;
    d["false"] = false;
    d["string"] = "ümlaut & <xml>";
    d["data"] = PlistValue::Data{0, 1, 2, 255};
    d["date"] = PlistValue::Date{700000000.0};
    d["array"] = PlistValue::Array{1, 2.5, "three", PlistValue::Array{}};
    d["dict"] = PlistValue::Dictionary{{"nested", 1}};
    return PlistValue(d);
}
} // namespace

TEST(PropertyList, EveryKindSurvivesXmlAndBinaryRoundTrips)
{
    for (auto format : {PropertyList::Format::XML, PropertyList::Format::Binary}) {
        const PlistValue original = sample();
        auto back = PropertyList::parse(PropertyList::serialize(original, format));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, original);
        const auto& d = *back->dictionary();
        EXPECT_EQ(d.at("whole real").type(), PlistValue::Type::Real);
        EXPECT_EQ(d.at("true").type(), PlistValue::Type::Boolean);
        EXPECT_EQ(d.at("negative").integerValue(), -7);
    }
}

TEST(PropertyList, FilesWriteAtomicallyAndRejectGarbage)
{
    TempDir dir;
    const std::string path = dir.file("a.plist");
    bool missing = false;
    EXPECT_FALSE(PropertyList::readFile(path, &missing));
    EXPECT_TRUE(missing);

    ASSERT_TRUE(PropertyList::writeFile(path, sample()));
    auto back = PropertyList::readFile(path, &missing);
    ASSERT_TRUE(back);
    EXPECT_FALSE(missing);
    EXPECT_EQ(*back, sample());
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    std::ofstream(path) << "this is not a property list";
    EXPECT_FALSE(PropertyList::readFile(path, &missing));
    EXPECT_FALSE(missing);
}

TEST(PropertyList, NumbersConvertAcrossKinds)
{
    EXPECT_EQ(PlistValue(true).intValue(), 1);
    EXPECT_EQ(PlistValue(3.9).intValue(), 3);
    EXPECT_FLOAT_EQ(PlistValue(7).floatValue(), 7.0f);
    EXPECT_FALSE(PlistValue("1").isNumber());
    EXPECT_EQ(PlistValue("1").intValue(), 0);
}
