#include "JSONTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>

namespace {

JSONValue arrayOf(std::initializer_list<JSONValue> items)
{
    JSONValue array = JSONValue::mutableArray();
    for (const JSONValue& item : items) array.array()->addObject(item);
    return array;
}

class Widget : public JSONForeignObject {
public:
    std::string className() const override { return "Widget"; }
};

JSONValue widget()
{
    return JSONValue(std::make_shared<Widget>());
}

TEST(Serialize, CompactHasNoWhiteSpace)
{
    const auto value = parseBytes("{ \"b\" : [ 1 , true , null ] }").value;
    ASSERT_TRUE(value);
    const std::string text = compact(*value);
    EXPECT_EQ(text, "{\"b\":[1,true,null]}");
    EXPECT_EQ(text.size(), 19u);
    EXPECT_EQ(JSONString(*value->dictionary()), u"{\"b\":[1,true,null]}");
}

TEST(Serialize, PrettyIndentsAndSortsKeys)
{
    EXPECT_EQ(compact(JSONValue::mutableArray(), JSONSerializeOptionPretty), "[\n  \n]");
    const auto value = parseBytes("{\"b\":1,\"a\":[2,{}],\"A\":null}").value;
    EXPECT_EQ(compact(*value, JSONSerializeOptionPretty),
              "{\n  \"A\": null,\n  \"a\": [\n    2,\n    {\n      \n    }\n  ],\n  \"b\": 1\n}");
}

TEST(Serialize, PrettyOutputAcrossBufferGrowth)
{
    // Deep indentation and many lines, shifted byte by byte, so that every
    // kind of write meets the point where the output buffer has to grow.
    for (size_t shift = 0; shift < 40; ++shift) {
        JSONValue root = JSONValue::mutableDictionary();
        JSONValue inner = root;
        for (int level = 0; level < 45; ++level) {
            JSONValue child = JSONValue::mutableDictionary();
            inner.dictionary()->setObject(child, "level");
            inner = child;
        }
        for (int i = 0; i < 150; ++i) inner.dictionary()->setObject(arrayOf({std::string(shift, 's'), i}), "k" + std::to_string(i));
        const std::string text = compact(root, JSONSerializeOptionPretty);
        ASSERT_GT(text.size(), 16384u);
        const auto reparsed = parseBytes(text).value;
        ASSERT_TRUE(reparsed) << shift;
        EXPECT_TRUE(*reparsed == root) << shift;
    }
}

TEST(Serialize, StringEscapes)
{
    const struct {
        std::string text;
        JSONSerializeOptionFlags options;
        std::string expected;
    } cases[] = {
        {"\"\\/\b\f\n\r\t", 0, "\"\\\"\\\\/\\b\\f\\n\\r\\t\""},
        {"/", JSONSerializeOptionEscapeForwardSlashes, "\"\\/\""},
        {std::string("\x01\x1f\x7f\0", 4), 0, "\"\\u0001\\u001f\x7f\\u0000\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", 0, "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", JSONSerializeOptionEscapeUnicode, "\"caf\\u00e9 \\u20ac \\ud83d\\ude00\""},
        // Long enough for the block scan, with the special byte late in a block.
        {std::string(37, 'x') + "\"" + std::string(20, 'y'), 0, "\"" + std::string(37, 'x') + "\\\"" + std::string(20, 'y') + "\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compact(arrayOf({c.text}), c.options), "[" + c.expected + "]") << c.text;
    }
}

TEST(Serialize, StringEntryPoints)
{
    EXPECT_EQ(JSONString(u"a\"b"), u"\"a\\\"b\"");
    EXPECT_EQ(JSONData(u"\xE9"), "\"\xc3\xa9\"");
    JSONError error;
    EXPECT_EQ(JSONStringWithOptions(u"\xD83D\xDE00/", JSONSerializeOptionEscapeUnicode | JSONSerializeOptionEscapeForwardSlashes,
                                    false, &error),
              u"\\ud83d\\ude00\\/");
    EXPECT_EQ(JSONDataWithOptions(u"x", 0, true, &error), "\"x\"");
    EXPECT_FALSE(JSONDataWithOptions(u"a\xDC00", 0, true, &error));
    EXPECT_EQ(error.localizedDescription, "Error converting UTF8.");
    EXPECT_TRUE(error.userInfo.empty());
}

TEST(Serialize, InvalidUTF8InAValueIsRefused)
{
    JSONError error;
    EXPECT_EQ(compact(arrayOf({JSONValue(std::string("ok\xff"))}), 0, &error), "<failed>");
    EXPECT_EQ(error.localizedDescription, "Error converting UTF8.");
}

TEST(Serialize, NumbersAndLiterals)
{
    const JSONValue array = arrayOf({0.1, -0.0, 1e21, 5e-324, INT64_MIN, UINT64_MAX, true, false, nullptr, 1.0});
    EXPECT_EQ(compact(array), "[0.10000000000000001,-0,1e+21,4.9406564584124654e-324,-9223372036854775808,"
                              "18446744073709551615,true,false,null,1]");
}

TEST(Serialize, DoublesMatchPrintfSeventeenDigits)
{
    std::mt19937_64 random(20261206);
    char expected[64];
    for (int i = 0; i < 20000; ++i) {
        double d;
        const uint64_t bits = random();
        std::memcpy(&d, &bits, sizeof d);
        if (i % 2) d = std::ldexp(static_cast<double>(bits >> 11), static_cast<int>(bits % 200) - 100);
        if (!std::isfinite(d)) continue;
        std::snprintf(expected, sizeof expected, "%.17g", d);
        ASSERT_EQ(compact(arrayOf({d})), "[" + std::string(expected) + "]") << bits;
    }
}

TEST(Serialize, NonFiniteDoublesFail)
{
    for (double d : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
        JSONValue dictionary = JSONValue::mutableDictionary();
        dictionary.dictionary()->setObject(d, "x");
        JSONError error;
        EXPECT_FALSE(JSONDataWithOptions(*dictionary.dictionary(), 0, &error));
        EXPECT_EQ(error.localizedDescription, "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    }
}

TEST(Serialize, TopValueAndEncodeAsChecks)
{
    const JSONValue text("abc");
    const JSONValue array = arrayOf({1});
    JSONError error;
    EXPECT_FALSE(JSONSerializer::serializeObject(&text, 0, 10, nullptr, nullptr, nullptr, &error));
    EXPECT_EQ(error.localizedDescription, "Unable to serialize object class JSONStringValue, expected a NSArray or NSDictionary.");
    EXPECT_FALSE(JSONSerializer::serializeObject(&array, 0, 18, nullptr, nullptr, nullptr, &error));
    EXPECT_EQ(error.localizedDescription, "Unable to serialize object class JSONArray, expected a NSString.");
    EXPECT_FALSE(JSONSerializer::serializeObject(&array, 0, 8, nullptr, nullptr, nullptr, &error));
    EXPECT_EQ(error.localizedDescription, "Unknown encode as type.");
    const auto bare = JSONSerializer::serializeObject(&text, 0, 49, nullptr, nullptr, nullptr, &error);
    ASSERT_TRUE(bare);
    EXPECT_EQ(std::get<std::string>(*bare), "abc");

    const JSONFormatterBlock block = [](const JSONValue&) { return std::optional<JSONValue>(); };
    const int delegate = 0;
    const struct {
        const JSONValue* object;
        JSONEncodeOptionType encodeAs;
        const JSONFormatterBlock* block;
        const void* delegate;
    } broken[] = {
        {nullptr, 9, nullptr, nullptr},
        {&array, 9, &block, &delegate},
        {&array, 1 | 8 | 16, nullptr, nullptr},
        {&text, 1 | 32, nullptr, nullptr},
    };
    for (const auto& b : broken) {
        try {
            JSONSerializer::serializeObject(b.object, 0, b.encodeAs, b.block, b.delegate, b.delegate ? &block : nullptr, &error);
            ADD_FAILURE() << "accepted encode-as " << b.encodeAs;
        } catch (const std::invalid_argument&) {
            ADD_FAILURE() << "wrong exception type";
        } catch (const std::logic_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Invalid parameter not satisfying: ", 0), 0u) << e.what();
        }
    }
}

struct Formatter {
    int calls = 0;
    std::optional<JSONValue> format(const JSONValue& object)
    {
        ++calls;
        return JSONValue("<" + object.className() + ">");
    }
};

TEST(Serialize, UnsupportedValuesGoThroughTheFormatter)
{
    const JSONValue array = arrayOf({1, widget(), arrayOf({widget()})});
    JSONError error;
    EXPECT_FALSE(JSONDataWithOptions(*array.array(), 0, &error));
    EXPECT_EQ(error.localizedDescription, "Unable to serialize object class Widget.");

    const JSONFormatterBlock toArray = [](const JSONValue&) { return std::optional<JSONValue>(arrayOf({"w", 2})); };
    EXPECT_EQ(JSONDataWithOptions(*array.array(), 0, toArray, &error), "[1,[\"w\",2],[[\"w\",2]]]");

    Formatter formatter;
    EXPECT_EQ(JSONStringWithOptions(*array.array(), 0, &formatter, &Formatter::format, &error), u"[1,\"<Widget>\",[\"<Widget>\"]]");
    EXPECT_EQ(formatter.calls, 2);

    const JSONFormatterBlock nothing = [](const JSONValue&) { return std::optional<JSONValue>(); };
    EXPECT_FALSE(JSONDataWithOptions(*array.array(), 0, nothing, &error));
    EXPECT_EQ(error.localizedDescription, "Unable to serialize object class NULL that was returned by the unsupported class "
                                          "formatter.  Original object class was Widget.");
    const JSONFormatterBlock same = [](const JSONValue& object) { return std::optional<JSONValue>(object); };
    EXPECT_FALSE(JSONDataWithOptions(*array.array(), 0, same, &error));
    EXPECT_EQ(error.localizedDescription, "Unable to serialize object class Widget that was returned by the unsupported "
                                          "class formatter.  Original object class was Widget.");
}

TEST(Serialize, DelegateContract)
{
    const JSONValue array = arrayOf({1});
    Formatter formatter;
    try {
        JSONDataWithOptions(*array.array(), 0, &formatter, JSONFormatterSelector<Formatter>(nullptr), nullptr);
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The delegate argument is not NULL, but the selector argument is NULL.");
    }
    const JSONFormatterBlock unbound;
    try {
        JSONSerializer::serializeObject(&array, 0, 9, nullptr, &formatter, &unbound, nullptr);
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The serializeUnsupportedClassesUsingDelegate: delegate does not respond to the selector argument.");
    }
}

TEST(Serialize, RepeatedSharedStringsComeOutTheSame)
{
    // Long strings shared by the decoder cache are copied from earlier output;
    // with escapes and options the copies must still be exact.
    const std::string shared = "\"a/long \\\"shared\\\" string \xc3\xa9 with escapes\"";
    const std::string text = "[" + shared + ",{\"k\":" + shared + "}," + shared + ",\"another long string value\"]";
    const auto value = parseBytes(text).value;
    ASSERT_TRUE(value);
    EXPECT_EQ(compact(*value), text);
    const std::string escaped = compact(*value, JSONSerializeOptionEscapeUnicode | JSONSerializeOptionEscapeForwardSlashes);
    const std::string once = "\"a\\/long \\\"shared\\\" string \\u00e9 with escapes\"";
    EXPECT_EQ(escaped, "[" + once + ",{\"k\":" + once + "}," + once + ",\"another long string value\"]");
}

TEST(Serialize, DeepProgrammaticTreeWritesAndFrees)
{
    constexpr size_t depth = 1000000;
    JSONValue root = JSONValue::mutableArray();
    JSONArray* innermost = root.array();
    for (size_t i = 1; i < depth; ++i) {
        innermost->addObject(JSONValue::mutableArray());
        innermost = innermost->objectAtIndex(0).array();
    }
    EXPECT_EQ(compact(root), std::string(depth, '[') + std::string(depth, ']'));
    JSONValue copy = root;
    EXPECT_TRUE(copy == root);
    root = JSONValue();
    copy.array()->removeAllObjects();
    EXPECT_EQ(compact(copy), "[]");
}

} // namespace
