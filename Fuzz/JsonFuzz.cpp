// Parses every input with every parse option set; whatever parses must write
// back out with each serializer option set and parse again to an equal tree.
// Text entry points get the input as UTF-16 too. Any mismatch aborts.
#include "JSON.h"
#include "JSONUnicode.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void failed(const char* what)
{
    std::fprintf(stderr, "json fuzz check failed: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what)
{
    if (!condition) failed(what);
}

std::optional<std::string> write(const JSONValue& value, JSONSerializeOptionFlags options, JSONError* error)
{
    return value.isArray() ? JSONDataWithOptions(*value.array(), options, error)
                           : JSONDataWithOptions(*value.dictionary(), options, error);
}

// U+FFFE and U+FFFF may stand raw in a string, but their escaped forms are
// refused by the parser; escaping all non-ASCII text produces those forms.
bool escapesNonCharacter(std::string_view text, JSONSerializeOptionFlags options)
{
    return (options & JSONSerializeOptionEscapeUnicode) &&
           (text.find("\\ufffe") != std::string_view::npos || text.find("\\uffff") != std::string_view::npos);
}

constexpr JSONSerializeOptionFlags kSerializeOptionSets[] = {0, 1, 2, 16, 19};

// Writes with every serializer option set, or with the one chosen by `pick`.
void roundTrip(const JSONValue& value, int pick = -1)
{
    check(value.isArray() || value.isDictionary(), "top value is a container");
    for (int i = 0; i < 5; ++i) {
        if (pick >= 0 && i != pick % 5) continue;
        const JSONSerializeOptionFlags options = kSerializeOptionSets[i];
        JSONError error;
        const auto text = write(value, options, &error);
        check(text.has_value(), "a parsed tree serializes");
        JSONError again;
        const auto reparsed = objectFromJSONDataWithParseOptions(*text, 0, &again);
        if (!reparsed && escapesNonCharacter(*text, options)) continue;
        check(reparsed.has_value(), "serialized text parses strictly");
        check(*reparsed == value, "reparsed tree equals the original");
    }
}

void parseAll(std::string_view input)
{
    for (JSONParseOptionFlags options = 0; options < 16; ++options) {
        JSONError error;
        const auto value = objectFromJSONDataWithParseOptions(input, options, &error);
        if (!value) {
            check(error.domain == JSONErrorDomain && error.code == -1, "error record domain and code");
            check(!error.localizedDescription.empty(), "error has a description");
            const auto index = error.valueForKey(JSONAtIndexKey);
            const auto line = error.valueForKey(JSONLineNumberKey);
            check(index && *index <= input.size(), "error index inside the input");
            check(line && *line >= 1, "error line counted from 1");
            continue;
        }
        roundTrip(*value, options == 0 ? -1 : static_cast<int>(options));
        if (options == 0 || options == 15) {
            const auto mutableValue = mutableObjectFromJSONDataWithParseOptions(input, options);
            check(mutableValue && *mutableValue == *value, "mutable parse gives the same tree");
        }
    }
}

void textEntryPoints(std::string_view input)
{
    std::u16string text(input.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(input[2 * i]) |
                                        static_cast<unsigned char>(input[2 * i + 1]) << 8);
    }
    JSONError error;
    if (const auto value = objectFromJSONStringWithParseOptions(text, JSONParseOptionLooseUnicode, &error)) roundTrip(*value);

    // A string written as JSON and read back inside an array is the same text,
    // unless it holds an unpaired surrogate, which the writer must refuse.
    bool unpaired = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) ++i;
        else if (c >= 0xd800 && c <= 0xdfff) unpaired = true;
    }
    for (JSONSerializeOptionFlags options : {0ul, 2ul, 16ul}) {
        const auto written = JSONStringWithOptions(text, options, true, &error);
        check(written.has_value() != unpaired, "string written unless it has an unpaired surrogate");
        if (!written) continue;
        const auto array = objectFromJSONString(u"[" + *written + u"]");
        if (!array && (options & JSONSerializeOptionEscapeUnicode) &&
            (text.find(u'\xfffe') != std::u16string::npos || text.find(u'\xffff') != std::u16string::npos)) {
            continue;
        }
        check(array && array->isArray() && array->array()->count() == 1, "written string reads back");
        const JSONValue& element = array->array()->objectAtIndex(0);
        check(element.isString(), "element is a string");
        check(element.stringValue() == JSONUnicode::fromUTF16(text, 0), "string content survives the round trip");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    parseAll(input);
    textEntryPoints(input);
    return 0;
}
