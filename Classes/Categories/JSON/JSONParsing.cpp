#include "JSONParsing.h"

#include "JSONDecoder.h"
#include "JSONUnicode.h"

namespace {

std::optional<JSONValue> parseText(std::u16string_view string, JSONParseOptionFlags flags, bool mutableContainers,
                                   JSONError* error)
{
    JSONDecoder decoder(flags);
    // Every unpaired surrogate is replaced, so the conversion always covers
    // the whole text.
    const std::string utf8 = JSONUnicode::fromUTF16(string, '?');
    return mutableContainers ? decoder.mutableObjectWithUTF8String(utf8.data(), utf8.size(), error)
                             : decoder.objectWithUTF8String(utf8.data(), utf8.size(), error);
}

std::optional<JSONValue> parseBytes(std::string_view data, JSONParseOptionFlags flags, bool mutableContainers, JSONError* error)
{
    JSONDecoder decoder(flags);
    const char* bytes = data.data() ? data.data() : "";
    return mutableContainers ? decoder.mutableObjectWithUTF8String(bytes, data.size(), error)
                             : decoder.objectWithUTF8String(bytes, data.size(), error);
}

} // namespace

std::optional<JSONValue> objectFromJSONString(std::u16string_view string)
{
    return parseText(string, JSONParseOptionNone, false, nullptr);
}

std::optional<JSONValue> objectFromJSONStringWithParseOptions(std::u16string_view string, JSONParseOptionFlags parseOptionFlags)
{
    return parseText(string, parseOptionFlags, false, nullptr);
}

std::optional<JSONValue> objectFromJSONStringWithParseOptions(std::u16string_view string, JSONParseOptionFlags parseOptionFlags,
                                                              JSONError* error)
{
    return parseText(string, parseOptionFlags, false, error);
}

std::optional<JSONValue> mutableObjectFromJSONString(std::u16string_view string)
{
    return parseText(string, JSONParseOptionNone, true, nullptr);
}

std::optional<JSONValue> mutableObjectFromJSONStringWithParseOptions(std::u16string_view string,
                                                                     JSONParseOptionFlags parseOptionFlags)
{
    return parseText(string, parseOptionFlags, true, nullptr);
}

std::optional<JSONValue> mutableObjectFromJSONStringWithParseOptions(std::u16string_view string,
                                                                     JSONParseOptionFlags parseOptionFlags, JSONError* error)
{
    return parseText(string, parseOptionFlags, true, error);
}

std::optional<JSONValue> objectFromJSONData(std::string_view jsonData)
{
    return parseBytes(jsonData, JSONParseOptionNone, false, nullptr);
}

std::optional<JSONValue> objectFromJSONDataWithParseOptions(std::string_view jsonData, JSONParseOptionFlags parseOptionFlags)
{
    return parseBytes(jsonData, parseOptionFlags, false, nullptr);
}

std::optional<JSONValue> objectFromJSONDataWithParseOptions(std::string_view jsonData, JSONParseOptionFlags parseOptionFlags,
                                                            JSONError* error)
{
    return parseBytes(jsonData, parseOptionFlags, false, error);
}

std::optional<JSONValue> mutableObjectFromJSONData(std::string_view jsonData)
{
    return parseBytes(jsonData, JSONParseOptionNone, true, nullptr);
}

std::optional<JSONValue> mutableObjectFromJSONDataWithParseOptions(std::string_view jsonData,
                                                                   JSONParseOptionFlags parseOptionFlags)
{
    return parseBytes(jsonData, parseOptionFlags, true, nullptr);
}

std::optional<JSONValue> mutableObjectFromJSONDataWithParseOptions(std::string_view jsonData,
                                                                   JSONParseOptionFlags parseOptionFlags, JSONError* error)
{
    return parseBytes(jsonData, parseOptionFlags, true, error);
}
