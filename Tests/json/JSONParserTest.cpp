#include "JSONTestSupport.h"

#include <stdexcept>

namespace {

const std::string kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.";
const std::string kTextAfter =
    "A valid JSON object was parsed but there were additional non-white-space characters remaining.";
const std::string kNotContainer = "Expected either '[' or '{'.", kEnd = "Reached the end of the buffer.";
const std::string kIllegalEscape = "Illegal \\u Unicode escape sequence.", kInvalidNumber = "Invalid number.";
const std::string kIllegalUTF8 = "Illegal UTF8 sequence found in \"\" string.";
const std::string kUTF8AtEnd = "End of buffer reached while parsing UTF8 in \"\" string.";

// Every refusal gives its message, and the byte offset and line where it was found.
TEST(ParseErrors, GiveTheMessageIndexAndLine)
{
    const struct {
        std::string text, message;
        uint64_t index, line;
        JSONParseOptionFlags options = 0;
    } cases[] = {
        {"", kEnd, 0, 1},
        {" \r\n\t", kEnd, 4, 2},
        {"5", kNotContainer, 0, 1},
        {"\"s\"", kNotContainer, 0, 1},
        {"x", kUnexpectedToken, 0, 1},
        {"[1,\n2", "Unable to parse JSON.", 5, 2},
        {"[1] x", kTextAfter, 4, 1},
        {"[True]", kUnexpectedToken, 1, 1},
        {"[1,//c\n2]", kUnexpectedToken, 3, 1}, // comments need their option
        {"{\"a\":1,}", "Unexpected '}'.", 7, 1},
        {"[1,]", "Unexpected ']'.", 3, 1},
        {"[,1]", "Unexpected ','.", 1, 1},
        {"{\"a\":1 \"b\":2}", "Unexpected string.", 7, 1},
        {"{\"a\" 1}", "Expected ':'.", 5, 1},
        {"[1 2]", "Unexpected value.", 3, 1},
        {"{\"a\":1,25}", "Expected a \"STRING\", not '25'", 7, 1},
        {"{]", "Expected a \"STRING\" or a '}', not ']'", 1, 1},
        {"[1}", "Expected a comma or a ']', not '}'", 2, 1},
        {"{\"a\":true]", "Expected a comma or a '}', not ']'", 9, 1},
        {"{\"a\":}", "Expected a value, not '}'", 5, 1},
        {"[}", "Expected a value or a ']', not '}'", 1, 1},
        {"[\"a\nb\"]", "Invalid character < 0x20 found in string: 0x0a.", 3, 1},
        {"[\"\\x\"]", "Invalid escape sequence found in \"\" string.", 3, 1},
        {"[\"\\u12G4\"]", "Unexpected character found in \\u Unicode escape sequence.  Found 'G', expected [0-9a-fA-F].",
         6, 1},
        {"[\"\\ud800x\"]",
         "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape sequence.", 8, 1},
        {"[\"\\ud800\\u0041\"]", kIllegalEscape, 8, 1},
        {"[\"\\udc00\"]", kIllegalEscape, 2, 1},
        {"[\"\\ufffe\"]", kIllegalEscape, 2, 1},
        {"[\"\xff\xfe\"]", kIllegalUTF8, 2, 1},
        {"[\"\xed\xa0\x80\"]", kIllegalUTF8, 2, 1}, // an encoded surrogate
        {"[\"\xe2\x82", kUTF8AtEnd, 2, 1},
        {"[\"\xe2\x82", kUTF8AtEnd, 2, 1, JSONParseOptionLooseUnicode},
        {"[-]", kInvalidNumber, 1, 1},
        {"[01]", kInvalidNumber, 1, 1},
        {"[1.]", kInvalidNumber, 1, 1},
        {"[1e+]", kInvalidNumber, 1, 1},
        {"[-9223372036854775809]",
         "The value '-9223372036854775809' exceeded the minimum value that could be represented: -9223372036854775808.",
         1, 1},
        {"[18446744073709551616]",
         "The value '18446744073709551616' exceeded the maximum value that could be represented: 18446744073709551615.",
         1, 1},
        {"[1.5e400]", "The value '1.5e400' could not be represented as a 'double' due to overflow.", 1, 1},
        {"[-0.0001e-330]", "The value '-0.0001e-330' could not be represented as a 'double' due to underflow.", 1, 1},
        {"[\r\n1,\r2,\n3,\r\n x]", kUnexpectedToken, 14, 5}, // CR LF is one line break
        {"[1,\xe2\x80\xa8x]", kUnexpectedToken, 3, 1},       // no white space without the option
        {"[1,\xe2\x80\xa8\xc2\x85\xe2\x80\xa9x]", kUnexpectedToken, 11, 4, JSONParseOptionUnicodeNewlines},
        {"[1,/**/\r\n x]", kUnexpectedToken, 10, 2, JSONParseOptionComments},
        {"/* a\r\nb\n*/[1, // c\n x]", kUnexpectedToken, 20, 4, JSONParseOptionComments},
        // A comment left open is no white space (the text in two pieces, so that the source opens no comment).
        {"[1] /" "* open", kTextAfter, 4, 1, JSONParseOptionComments},
    };
    for (const auto& c : cases) {
        const ParseOutcome outcome = parseBytes(c.text, c.options);
        EXPECT_FALSE(outcome.value) << c.text;
        EXPECT_EQ(outcome.error.localizedDescription, c.message) << c.text;
        EXPECT_EQ(outcome.error.valueForKey(JSONAtIndexKey), c.index) << c.text;
        EXPECT_EQ(outcome.error.valueForKey(JSONLineNumberKey), c.line) << c.text;
        EXPECT_TRUE(outcome.error.domain == "JSONErrorDomain" && outcome.error.code == -1) << c.text;
    }
}

// Sixteen or more is no set of options.
TEST(ParseOptions, SixteenOrMoreIsRefused)
{
    for (JSONParseOptionFlags options : {16ul, 1ul << 20})
        EXPECT_EQ(thrownMessage<std::invalid_argument>([&] { parseBytes("[]", options); }), "Invalid parse options.");
    EXPECT_NO_THROW(JSONDecoder(15));
}

// The last value of a repeated key wins in large objects too, which take
// another path, long keys too.
TEST(ParseValues, RepeatedKeyKeepsTheLastValue)
{
    std::string text = "{";
    for (int i = 0; i < 300; ++i) text += "\"key-number-long-" + std::to_string(i % 200) + "\":" + std::to_string(i) + ",";
    text.back() = '}';
    const auto large = parseBytes(text).value;
    ASSERT_TRUE(large);
    EXPECT_EQ(large->dictionary()->count(), 200u);
    EXPECT_EQ(large->dictionary()->objectForKey("key-number-long-5")->int64Value(), 205);
    EXPECT_EQ(large->dictionary()->objectForKey("key-number-long-199")->int64Value(), 199);
}

TEST(ParseDepth, AMillionLevelsParseAndFree)
{
    constexpr size_t depth = 1000000;
    const std::string arrays = std::string(depth, '[') + std::string(depth, ']');
    auto value = parseBytes(arrays).value;
    ASSERT_TRUE(value);
    EXPECT_EQ(compact(*value), arrays);
    value.reset();
    const ParseOutcome open = parseBytes(std::string(depth, '['));
    EXPECT_EQ(open.error.localizedDescription, "Unable to parse JSON.");
    EXPECT_EQ(open.error.valueForKey(JSONAtIndexKey), depth);
}

// Text is converted with unpaired surrogates as "?"; the mutable forms make
// every container mutable, the others none.
TEST(EntryPoints, TextAndMutableForms)
{
    const auto value = objectFromJSONString(u"[\"a\xD800" u"b\", \"\xD83D\xDE00\"]");
    ASSERT_TRUE(value);
    EXPECT_EQ(element(*value, 0).stringValue(), "a?b");
    EXPECT_EQ(element(*value, 1).stringValue(), "\xf0\x9f\x98\x80");

    const auto frozen = objectFromJSONString(u"{\"a\":[1]}");
    const auto thawed = mutableObjectFromJSONString(u"{\"a\":[1],\"b\":{}}");
    ASSERT_TRUE(frozen && thawed);
    EXPECT_FALSE(frozen->dictionary()->isMutable() || frozen->dictionary()->objectForKey("a")->array()->isMutable());
    EXPECT_TRUE(thawed->dictionary()->objectForKey("b")->dictionary()->isMutable());
    thawed->dictionary()->objectForKey("a")->array()->addObject(2);
    thawed->dictionary()->setObject("x", "c");
    EXPECT_EQ(compact(*thawed), "{\"a\":[1,2],\"b\":{},\"c\":\"x\"}");
}

// Same length, same sampled bytes, different middle: a cache hit must compare
// all bytes; the cache changes no result.
TEST(Decoder, CacheSharesStringsWithoutChangingResults)
{
    JSONDecoder decoder = JSONDecoder::decoderWithParseOptions(0);
    const std::string a(40, 'a'), b = std::string(10, 'a') + "b" + std::string(29, 'a');
    const std::string text = "[\"" + a + "\",\"" + b + "\",\"" + a + "\"]";
    const auto first = decoder.objectWithData(text);
    const auto second = decoder.objectWithData("[\"" + a + "\"]");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(compact(*first), text);
    decoder.clearCache();
    const auto third = decoder.mutableObjectWithUTF8String(text.data(), text.size());
    ASSERT_TRUE(third);
    EXPECT_TRUE(*third == *first);
}

} // namespace
