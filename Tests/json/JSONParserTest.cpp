#include "JSONParser.h"
#include "JSONTestSupport.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace {

struct ErrorCase {
    const char* name;
    std::string text;
    JSONParseOptionFlags options;
    std::string message;
    uint64_t index;
    uint64_t line;
};

class ParseErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseErrors, GiveTheMessageIndexAndLine)
{
    const ErrorCase& c = GetParam();
    const ParseOutcome outcome = parseBytes(c.text, c.options);
    ASSERT_FALSE(outcome.value.has_value());
    EXPECT_EQ(outcome.error.domain, "JSONErrorDomain");
    EXPECT_EQ(outcome.error.code, -1);
    EXPECT_EQ(outcome.error.localizedDescription, c.message);
    EXPECT_EQ(outcome.error.valueForKey(JSONAtIndexKey), c.index);
    EXPECT_EQ(outcome.error.valueForKey(JSONLineNumberKey), c.line);
}

const char* const kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.";

INSTANTIATE_TEST_SUITE_P(
    Messages, ParseErrors,
    ::testing::Values(
        ErrorCase{"Empty", "", 0, "Reached the end of the buffer.", 0, 1},
        ErrorCase{"OnlyWhiteSpace", " \r\n\t", 0, "Reached the end of the buffer.", 4, 2},
        ErrorCase{"TopNumber", "5", 0, "Expected either '[' or '{'.", 0, 1},
        ErrorCase{"TopTrue", "true", 0, "Expected either '[' or '{'.", 0, 1},
        ErrorCase{"TopString", "\"s\"", 0, "Expected either '[' or '{'.", 0, 1},
        ErrorCase{"TopJunk", "x", 0, kUnexpectedToken, 0, 1},
        ErrorCase{"Truncated", "[1,\n2", 0, "Unable to parse JSON.", 5, 2},
        ErrorCase{"TrailingText", "[1] x", 0,
                  "A valid JSON object was parsed but there were additional non-white-space characters remaining.", 4, 1},
        ErrorCase{"UnterminatedComment", "[1] /* open", JSONParseOptionComments,
                  "A valid JSON object was parsed but there were additional non-white-space characters remaining.", 4, 1},
        ErrorCase{"BadToken", "[1,x]", 0, kUnexpectedToken, 3, 1},
        ErrorCase{"CapitalLiteral", "[True]", 0, kUnexpectedToken, 1, 1},
        ErrorCase{"CommentWithoutOption", "[1,//c\n2]", 0, kUnexpectedToken, 3, 1},
        ErrorCase{"ObjectTrailingComma", "{\"a\":1,}", 0, "Unexpected '}'.", 7, 1},
        ErrorCase{"ArrayTrailingComma", "[1,]", 0, "Unexpected ']'.", 3, 1},
        ErrorCase{"LeadingComma", "[,1]", 0, "Unexpected ','.", 1, 1},
        ErrorCase{"CommaAfterColon", "{\"a\":,1}", 0, "Unexpected ','.", 5, 1},
        ErrorCase{"StringAfterMember", "{\"a\":1 \"b\":2}", 0, "Unexpected string.", 7, 1},
        ErrorCase{"MissingColon", "{\"a\" 1}", 0, "Expected ':'.", 5, 1},
        ErrorCase{"ValueAfterValue", "[1 2]", 0, "Unexpected value.", 3, 1},
        ErrorCase{"NumberKey", "{\"a\":1,25}", 0, "Expected a \"STRING\", not '25'", 7, 1},
        ErrorCase{"BracketInObject", "{]", 0, "Expected a \"STRING\" or a '}', not ']'", 1, 1},
        ErrorCase{"BraceInArray", "[1}", 0, "Expected a comma or a ']', not '}'", 2, 1},
        ErrorCase{"BracketAfterMember", "{\"a\":true]", 0, "Expected a comma or a '}', not ']'", 9, 1},
        ErrorCase{"NumberAfterMember", "{\"a\":1 2}", 0, "Expected a comma or a '}', not '2'", 7, 1},
        ErrorCase{"BraceForValue", "{\"a\":}", 0, "Expected a value, not '}'", 5, 1},
        ErrorCase{"BraceOpeningArray", "[}", 0, "Expected a value or a ']', not '}'", 1, 1},
        ErrorCase{"ColonAfterComma", "[1,:]", 0, "Expected a value, not ':'", 3, 1},
        ErrorCase{"ControlCharacter", "[\"a\x01\"]", 0, "Invalid character < 0x20 found in string: 0x01.", 3, 1},
        ErrorCase{"RawNewlineInString", "[\"a\nb\"]", 0, "Invalid character < 0x20 found in string: 0x0a.", 3, 1},
        ErrorCase{"UnknownEscape", "[\"\\x\"]", 0, "Invalid escape sequence found in \"\" string.", 3, 1},
        ErrorCase{"BadHexDigit", "[\"\\u12G4\"]", 0,
                  "Unexpected character found in \\u Unicode escape sequence.  Found 'G', expected [0-9a-fA-F].", 6, 1},
        ErrorCase{"HighSurrogateAlone", "[\"\\ud800x\"]", 0,
                  "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape sequence.", 8, 1},
        ErrorCase{"HighSurrogateThenLetter", "[\"\\ud800\\u0041\"]", 0, "Illegal \\u Unicode escape sequence.", 8, 1},
        ErrorCase{"LowSurrogateAlone", "[\"\\udc00\"]", 0, "Illegal \\u Unicode escape sequence.", 2, 1},
        ErrorCase{"EscapedFFFE", "[\"\\ufffe\"]", 0, "Illegal \\u Unicode escape sequence.", 2, 1},
        ErrorCase{"EscapedFFFF", "[\"\\uFFFF\"]", 0, "Illegal \\u Unicode escape sequence.", 2, 1},
        ErrorCase{"MalformedUTF8", "[\"\xff\xfe\"]", 0, "Illegal UTF8 sequence found in \"\" string.", 2, 1},
        ErrorCase{"OverlongUTF8", "[\"\xc0\xaf\"]", 0, "Illegal UTF8 sequence found in \"\" string.", 2, 1},
        ErrorCase{"EncodedSurrogate", "[\"\xed\xa0\x80\"]", 0, "Illegal UTF8 sequence found in \"\" string.", 2, 1},
        ErrorCase{"UTF8AtEnd", "[\"\xe2\x82", 0, "End of buffer reached while parsing UTF8 in \"\" string.", 2, 1},
        ErrorCase{"LooseUTF8AtEnd", "[\"\xe2\x82", JSONParseOptionLooseUnicode,
                  "End of buffer reached while parsing UTF8 in \"\" string.", 2, 1},
        ErrorCase{"LoneMinus", "[-]", 0, "Invalid number.", 1, 1},
        ErrorCase{"LeadingZero", "[01]", 0, "Invalid number.", 1, 1},
        ErrorCase{"EmptyFraction", "[1.]", 0, "Invalid number.", 1, 1},
        ErrorCase{"EmptyExponent", "[1e+]", 0, "Invalid number.", 1, 1},
        ErrorCase{"BelowInt64", "[-9223372036854775809]", 0,
                  "The value '-9223372036854775809' exceeded the minimum value that could be represented: "
                  "-9223372036854775808.",
                  1, 1},
        ErrorCase{"AboveUInt64", "[18446744073709551616]", 0,
                  "The value '18446744073709551616' exceeded the maximum value that could be represented: "
                  "18446744073709551615.",
                  1, 1},
        ErrorCase{"DoubleOverflow", "[1.5e400]", 0,
                  "The value '1.5e400' could not be represented as a 'double' due to overflow.", 1, 1},
        ErrorCase{"DoubleUnderflow", "[-0.0001e-330]", 0,
                  "The value '-0.0001e-330' could not be represented as a 'double' due to underflow.", 1, 1},
        ErrorCase{"LinesCountCRLFOnce", "[\r\n1,\r2,\n3,\r\n x]", 0, kUnexpectedToken, 14, 5},
        ErrorCase{"UnicodeNewlineIsNotSpace", "[1,\xe2\x80\xa8x]", 0, kUnexpectedToken, 3, 1},
        ErrorCase{"UnicodeNewlinesCount", "[1,\xe2\x80\xa8\xc2\x85\xe2\x80\xa9x]", JSONParseOptionUnicodeNewlines,
                  kUnexpectedToken, 11, 4},
        ErrorCase{"CommentNewlinesCount", "/* a\r\nb\n*/[1, // c\n x]", JSONParseOptionComments, kUnexpectedToken, 20, 4}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST(ParseMessages, ThreeAllowedItemsLeaveTheQuoteOpen)
{
    // No parser state allows three items; the form is still defined.
    EXPECT_EQ(JSONParser::expectedMessage({"a value", "a comma", "a ']'"}, "}"), "Expected a value, a comma, or a ']', not '}");
}

TEST(ParseOptions, SixteenOrMoreIsRefused)
{
    for (JSONParseOptionFlags options : {16ul, 17ul, 1ul << 20}) {
        try {
            JSONDecoder decoder(options);
            ADD_FAILURE() << "options " << options << " accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Invalid parse options.");
        }
        EXPECT_THROW(objectFromJSONDataWithParseOptions("[]", options), std::invalid_argument);
    }
    EXPECT_NO_THROW(JSONDecoder(15));
}

TEST(ParseOptions, EachOptionRelaxesItsRule)
{
    EXPECT_EQ(compact(*parseBytes("/* a */[1, // b\n 2 /**/]//", JSONParseOptionComments).value), "[1,2]");
    EXPECT_EQ(compact(*parseBytes("[1,\xe2\x80\xa8 2\xc2\x85]", JSONParseOptionUnicodeNewlines).value), "[1,2]");
    EXPECT_EQ(compact(*parseBytes("[1] x", JSONParseOptionPermitTextAfterValidJSON).value), "[1]");
    EXPECT_EQ(compact(*parseBytes("{} {", JSONParseOptionPermitTextAfterValidJSON).value), "{}");
}

TEST(ParseOptions, LooseUnicodeReplacesEachFault)
{
    const std::string fffd = "\xef\xbf\xbd";
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"[\"\xff\xfe\"]", fffd + fffd},
        {"[\"a\xe2\x82z\"]", "a" + fffd + "z"}, // truncated sequence: one replacement
        {"[\"\\ud800x\"]", fffd + "x"},
        {"[\"\\ud800\\u0041\"]", fffd + "A"},
        {"[\"\\ud800\\ud83d\\ude00\"]", fffd + "\xf0\x9f\x98\x80"},
        {"[\"\\udc00\\uffff\\ufffe\"]", fffd + fffd + fffd},
    };
    for (const auto& c : cases) {
        const ParseOutcome outcome = parseBytes(c.text, JSONParseOptionLooseUnicode);
        ASSERT_TRUE(outcome.value) << c.text << ": " << outcome.error.localizedDescription;
        EXPECT_EQ(element(*outcome.value, 0).stringValue(), c.expected) << c.text;
    }
}

TEST(ParseValues, NumbersTakeTheTypeOfTheirText)
{
    const auto value = parseBytes("[0, -0, -1, 1.5, 2E2, 18446744073709551615, -9223372036854775808, 5e-324, -0.0]").value;
    ASSERT_TRUE(value);
    using T = JSONValue::Type;
    const T types[] = {T::UnsignedInteger, T::Double, T::SignedInteger, T::Double, T::Double,
                       T::UnsignedInteger, T::SignedInteger, T::Double, T::Double};
    for (size_t i = 0; i < std::size(types); ++i) EXPECT_EQ(element(*value, i).type(), types[i]) << i;
    EXPECT_TRUE(std::signbit(element(*value, 1).doubleValue()));
    EXPECT_EQ(element(*value, 5).uint64Value(), UINT64_MAX);
    EXPECT_EQ(element(*value, 6).int64Value(), INT64_MIN);
    EXPECT_EQ(element(*value, 7).doubleValue(), 5e-324);
}

TEST(ParseValues, LiteralsAndStrings)
{
    const auto value = parseBytes("[true,false,null,\"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\u0000\",\"caf\xc3\xa9\"]").value;
    ASSERT_TRUE(value);
    EXPECT_TRUE(element(*value, 0).isBoolean());
    EXPECT_TRUE(element(*value, 0).boolValue());
    EXPECT_FALSE(element(*value, 0) == JSONValue(1));
    EXPECT_FALSE(element(*value, 1) == JSONValue(0));
    EXPECT_TRUE(element(*value, 2).isNull());
    EXPECT_EQ(element(*value, 3).stringValue(), std::string_view("\"\\/\b\f\n\r\t\xc3\xa9\0", 11));
    EXPECT_EQ(element(*value, 4).stringValue(), "caf\xc3\xa9");
}

TEST(ParseValues, RepeatedKeyKeepsTheLastValue)
{
    const auto small = parseBytes("{\"a\":1,\"b\":0,\"a\":2}").value;
    ASSERT_TRUE(small);
    EXPECT_EQ(small->dictionary()->count(), 2u);
    EXPECT_EQ(small->dictionary()->objectForKey("a")->int64Value(), 2);

    // Large objects take another path for the same rule; long keys too.
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
    size_t levels = 1;
    for (const JSONValue* v = &*value; v->array()->count() == 1; v = &element(*v, 0)) ++levels;
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(compact(*value), arrays);
    value.reset();

    std::string objects;
    for (size_t i = 0; i < depth; ++i) objects += "{\"a\":";
    objects += "1" + std::string(depth, '}');
    EXPECT_TRUE(parseBytes(objects).value.has_value());

    const ParseOutcome open = parseBytes(std::string(depth, '['));
    EXPECT_FALSE(open.value);
    EXPECT_EQ(open.error.localizedDescription, "Unable to parse JSON.");
    EXPECT_EQ(open.error.valueForKey(JSONAtIndexKey), depth);
}

TEST(EntryPoints, TextIsConvertedWithUnpairedSurrogatesAsQuestionMarks)
{
    const auto value = objectFromJSONString(u"[\"a\xD800" u"b\", \"\xD83D\xDE00\"]");
    ASSERT_TRUE(value);
    EXPECT_EQ(element(*value, 0).stringValue(), "a?b");
    EXPECT_EQ(element(*value, 1).stringValue(), "\xf0\x9f\x98\x80");
    JSONError error;
    EXPECT_FALSE(objectFromJSONStringWithParseOptions(u"[1,]", 0, &error));
    EXPECT_EQ(error.localizedDescription, "Unexpected ']'.");
}

TEST(EntryPoints, MutableFormsMakeEveryContainerMutable)
{
    const auto frozen = objectFromJSONString(u"{\"a\":[1]}");
    const auto thawed = mutableObjectFromJSONString(u"{\"a\":[1],\"b\":{}}");
    const auto bytes = mutableObjectFromJSONDataWithParseOptions("[[],{}]", 0);
    ASSERT_TRUE(frozen && thawed && bytes);
    EXPECT_FALSE(frozen->dictionary()->isMutable());
    EXPECT_FALSE(frozen->dictionary()->objectForKey("a")->array()->isMutable());
    EXPECT_TRUE(thawed->dictionary()->isMutable());
    EXPECT_TRUE(thawed->dictionary()->objectForKey("a")->array()->isMutable());
    EXPECT_TRUE(thawed->dictionary()->objectForKey("b")->dictionary()->isMutable());
    EXPECT_TRUE(element(*bytes, 0).array()->isMutable());
    EXPECT_TRUE(element(*bytes, 1).dictionary()->isMutable());
    thawed->dictionary()->objectForKey("a")->array()->addObject(2);
    thawed->dictionary()->setObject("x", "c");
    EXPECT_EQ(compact(*thawed, JSONSerializeOptionPretty), "{\n  \"a\": [\n    1,\n    2\n  ],\n  \"b\": {\n    \n  },\n  \"c\": \"x\"\n}");
}

TEST(Decoder, RefusesMissingInputAndMissingState)
{
    JSONDecoder decoder;
    try {
        decoder.objectWithUTF8String(nullptr, 0);
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The string argument is NULL.");
    }
    try {
        decoder.mutableObjectWithData(std::string_view());
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The jsonData argument is NULL.");
    }
    EXPECT_TRUE(decoder.objectWithData(std::string_view("", 0), nullptr) == std::nullopt);
    JSONDecoder taken(std::move(decoder));
    try {
        decoder.parseJSONData("[]");
        ADD_FAILURE();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "parseState is NULL.");
    }
    EXPECT_TRUE(taken.parseJSONData("[]").has_value());
}

TEST(Decoder, CacheSharesStringsWithoutChangingResults)
{
    JSONDecoder decoder = JSONDecoder::decoderWithParseOptions(0);
    // Same length, same sampled bytes, different middle: cache hits must compare all bytes.
    const std::string a(40, 'a');
    std::string b = a;
    b[10] = 'b';
    const std::string text = "[\"" + a + "\",\"" + b + "\",\"" + a + "\"]";
    const auto first = decoder.objectWithData(text);
    const auto second = decoder.objectWithData("[\"" + a + "\"]");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(element(*first, 0).stringValue(), a);
    EXPECT_EQ(element(*first, 1).stringValue(), b);
    EXPECT_EQ(element(*first, 2).stringValue(), a);
    const char* reused = element(*second, 0).stringValue().data();
    EXPECT_TRUE(reused == element(*first, 0).stringValue().data() || reused == element(*first, 2).stringValue().data());
    decoder.clearCache();
    const auto third = decoder.mutableObjectWithUTF8String(text.data(), text.size());
    ASSERT_TRUE(third);
    EXPECT_TRUE(*third == *first);
    EXPECT_EQ(compact(*third), text);
}

} // namespace
