#include "JSONTestSupport.h"

#include <limits>

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

// Text parsed with some options and written back with others: each row shows
// a rule of the reader and of the writer at once.
TEST(Codec, ReadsAndWritesBack)
{
    const std::string fffd = "\xef\xbf\xbd", emoji = "\xf0\x9f\x98\x80", utf8 = "caf\xc3\xa9 \xe2\x82\xac " + emoji;
    const std::string longText = std::string(37, 'x') + "\\\"" + std::string(20, 'y'); // a quote late in a scanned block
    const struct {
        std::string text;
        JSONParseOptionFlags parse;
        JSONSerializeOptionFlags write;
        std::string written;
    } rows[] = {
        {"{ \"b\" : [ 1 , true , null ] }", 0, 0, "{\"b\":[1,true,null]}"},
        {"[0,-0,-1,1.5,2E2,18446744073709551615,-9223372036854775808,5e-324,-0.0,0.1,1e21,1.0]", 0, 0,
         "[0,-0,-1,1.5,200,18446744073709551615,-9223372036854775808,4.9406564584124654e-324,-0,0.10000000000000001,"
         "1e+21,1]"},
        {"[\"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\u0000\\u001f\x7f\"]", 0, 0,
         "[\"\\\"\\\\/\\b\\f\\n\\r\\t\xc3\xa9\\u0000\\u001f\x7f\"]"},
        {"[\"/\"]", 0, JSONSerializeOptionEscapeForwardSlashes, "[\"\\/\"]"},
        {"[\"" + utf8 + "\",\"\\ud83d\\ude00\"]", 0, 0, "[\"" + utf8 + "\",\"" + emoji + "\"]"},
        {"[\"" + utf8 + "\"]", 0, JSONSerializeOptionEscapeUnicode, "[\"caf\\u00e9 \\u20ac \\ud83d\\ude00\"]"},
        {"[\"" + longText + "\"]", 0, 0, "[\"" + longText + "\"]"},
        {"{\"a\":1,\"b\":0,\"a\":2}", 0, 0, "{\"a\":2,\"b\":0}"}, // a repeated key keeps its last value
        {"[]", 0, JSONSerializeOptionPretty, "[\n  \n]"},
        {"{\"b\":1,\"a\":[2,{}],\"A\":null}", 0, JSONSerializeOptionPretty,
         "{\n  \"A\": null,\n  \"a\": [\n    2,\n    {\n      \n    }\n  ],\n  \"b\": 1\n}"},
        {"/* a */[1, // b\n 2 /**/]//", JSONParseOptionComments, 0, "[1,2]"},
        {"[1,\xe2\x80\xa8 2\xc2\x85]", JSONParseOptionUnicodeNewlines, 0, "[1,2]"},
        {"[1] x", JSONParseOptionPermitTextAfterValidJSON, 0, "[1]"},
        // Loose Unicode: each fault becomes U+FFFD, a truncated sequence one.
        {"[\"\xff\xfe\",\"a\xe2\x82z\"]", JSONParseOptionLooseUnicode, 0, "[\"" + fffd + fffd + "\",\"a" + fffd + "z\"]"},
        {"[\"\\ud800x\",\"\\ud800\\u0041\",\"\\ud800\\ud83d\\ude00\",\"\\udc00\\uffff\\ufffe\"]",
         JSONParseOptionLooseUnicode, 0,
         "[\"" + fffd + "x\",\"" + fffd + "A\",\"" + fffd + emoji + "\",\"" + fffd + fffd + fffd + "\"]"},
    };
    for (const auto& row : rows) {
        const ParseOutcome outcome = parseBytes(row.text, row.parse);
        ASSERT_TRUE(outcome.value) << row.text << ": " << outcome.error.localizedDescription;
        EXPECT_EQ(compact(*outcome.value, row.write), row.written) << row.text;
    }
    using T = JSONValue::Type;
    const T types[] = {T::UnsignedInteger, T::Double, T::SignedInteger, T::Double, T::Double, T::UnsignedInteger};
    for (size_t i = 0; i < std::size(types); ++i) EXPECT_EQ(element(*parseBytes(rows[1].text).value, i).type(), types[i]);
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
        for (int i = 0; i < 150; ++i)
            inner.dictionary()->setObject(arrayOf({std::string(shift, 's'), i}), "k" + std::to_string(i));
        const std::string text = compact(root, JSONSerializeOptionPretty);
        ASSERT_GT(text.size(), 16384u);
        const auto reparsed = parseBytes(text).value;
        EXPECT_TRUE(reparsed && *reparsed == root) << shift;
    }
}

// Strings as top values, with and without quotes, in bytes or in text.
TEST(Serialize, StringEntryPoints)
{
    JSONError error;
    EXPECT_EQ(JSONStringWithOptions(u"\xD83D\xDE00/", JSONSerializeOptionEscapeUnicode | JSONSerializeOptionEscapeForwardSlashes,
                                    false, &error),
              u"\\ud83d\\ude00\\/");
    EXPECT_FALSE(JSONDataWithOptions(u"a\xDC00", 0, true, &error));
    EXPECT_EQ(error.localizedDescription, "Error converting UTF8.");
    EXPECT_TRUE(error.userInfo.empty());
}

// Values JSON cannot hold are refused, and so is any other value unless a
// formatter turns it into one.
TEST(Serialize, UnwritableValuesFailOrGoThroughTheFormatter)
{
    const std::string nonFinite = "Floating point values must be finite.  JSON does not support NaN or Infinity.";
    const JSONValue widget(std::make_shared<Widget>());
    const std::pair<JSONValue, std::string> cases[] = {
        {std::string("ok\xff"), "Error converting UTF8."},
        {std::numeric_limits<double>::quiet_NaN(), nonFinite},
        {std::numeric_limits<double>::infinity(), nonFinite},
        {-std::numeric_limits<double>::infinity(), nonFinite},
        {arrayOf({1, widget}), "Unable to serialize object class Widget."},
    };
    for (const auto& [value, message] : cases) {
        JSONValue dictionary = JSONValue::mutableDictionary();
        dictionary.dictionary()->setObject(value, "x");
        JSONError error;
        EXPECT_FALSE(JSONDataWithOptions(*dictionary.dictionary(), 0, &error));
        EXPECT_EQ(error.localizedDescription, message);
    }
    const JSONFormatterBlock toArray = [](const JSONValue&) { return std::optional<JSONValue>(arrayOf({"w", 2})); };
    EXPECT_EQ(JSONDataWithOptions(*arrayOf({1, widget, arrayOf({widget})}).array(), 0, toArray, nullptr),
              "[1,[\"w\",2],[[\"w\",2]]]");
}

// Long strings shared by the decoder cache are copied from earlier output;
// with escapes the copies must still be exact.
TEST(Serialize, RepeatedSharedStringsComeOutTheSame)
{
    const std::string shared = "\"a/long \\\"shared\\\" string \xc3\xa9 with escapes\"";
    const std::string text = "[" + shared + ",{\"k\":" + shared + "}," + shared + ",\"another long string value\"]";
    const auto value = parseBytes(text).value;
    ASSERT_TRUE(value);
    EXPECT_EQ(compact(*value), text);
}

} // namespace
