#include "JSONDecoder.h"

#include "JSONParser.h"

#include <stdexcept>

JSONDecoder JSONDecoder::decoder()
{
    return JSONDecoder();
}

JSONDecoder JSONDecoder::decoderWithParseOptions(JSONParseOptionFlags parseOptionFlags)
{
    return JSONDecoder(parseOptionFlags);
}

JSONDecoder::JSONDecoder() : JSONDecoder(JSONParseOptionNone) {}

JSONDecoder::JSONDecoder(JSONParseOptionFlags parseOptionFlags)
{
    if (parseOptionFlags & ~static_cast<JSONParseOptionFlags>(JSONParseOptionValidFlags)) {
        throw std::invalid_argument("Invalid parse options.");
    }
    parseState_ = std::make_unique<JSONParser>(parseOptionFlags);
}

JSONDecoder::JSONDecoder(JSONDecoder&&) noexcept = default;
JSONDecoder& JSONDecoder::operator=(JSONDecoder&&) noexcept = default;
JSONDecoder::~JSONDecoder() = default;

void JSONDecoder::clearCache()
{
    if (parseState_) parseState_->clearCache();
}

JSONParseOptionFlags JSONDecoder::parseOptionFlags() const
{
    if (!parseState_) throw std::logic_error("parseState is NULL.");
    return parseState_->options();
}

std::optional<JSONValue> JSONDecoder::run(const char* string, size_t length, bool mutableContainers, JSONError* error)
{
    if (!parseState_) throw std::logic_error("parseState is NULL.");
    return parseState_->parse(string, length, mutableContainers, error);
}

namespace {

const char* requireString(const char* string)
{
    if (!string) throw std::invalid_argument("The string argument is NULL.");
    return string;
}

std::string_view requireData(std::string_view jsonData)
{
    if (!jsonData.data()) throw std::invalid_argument("The jsonData argument is NULL.");
    return jsonData;
}

} // namespace

std::optional<JSONValue> JSONDecoder::objectWithUTF8String(const char* string, size_t length)
{
    return objectWithUTF8String(string, length, nullptr);
}

std::optional<JSONValue> JSONDecoder::objectWithUTF8String(const char* string, size_t length, JSONError* error)
{
    return run(requireString(string), length, false, error);
}

std::optional<JSONValue> JSONDecoder::objectWithData(std::string_view jsonData)
{
    return objectWithData(jsonData, nullptr);
}

std::optional<JSONValue> JSONDecoder::objectWithData(std::string_view jsonData, JSONError* error)
{
    requireData(jsonData);
    return run(jsonData.data(), jsonData.size(), false, error);
}

std::optional<JSONValue> JSONDecoder::mutableObjectWithUTF8String(const char* string, size_t length)
{
    return mutableObjectWithUTF8String(string, length, nullptr);
}

std::optional<JSONValue> JSONDecoder::mutableObjectWithUTF8String(const char* string, size_t length, JSONError* error)
{
    return run(requireString(string), length, true, error);
}

std::optional<JSONValue> JSONDecoder::mutableObjectWithData(std::string_view jsonData)
{
    return mutableObjectWithData(jsonData, nullptr);
}

std::optional<JSONValue> JSONDecoder::mutableObjectWithData(std::string_view jsonData, JSONError* error)
{
    requireData(jsonData);
    return run(jsonData.data(), jsonData.size(), true, error);
}

std::optional<JSONValue> JSONDecoder::parseUTF8String(const char* string, size_t length)
{
    return objectWithUTF8String(string, length, nullptr);
}

std::optional<JSONValue> JSONDecoder::parseUTF8String(const char* string, size_t length, JSONError* error)
{
    return objectWithUTF8String(string, length, error);
}

std::optional<JSONValue> JSONDecoder::parseJSONData(std::string_view jsonData)
{
    return objectWithData(jsonData, nullptr);
}

std::optional<JSONValue> JSONDecoder::parseJSONData(std::string_view jsonData, JSONError* error)
{
    return objectWithData(jsonData, error);
}
