// Parses UTF-8 JSON text into a tree of JSONValue. One decoder serves one
// thread at a time; its string cache carries over between parses (and never
// changes a result).
#pragma once

#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONValue.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

class JSONParser;

class JSONDecoder {
public:
    static JSONDecoder decoder();
    // Throws std::invalid_argument("Invalid parse options.") for flags of 16 or more.
    static JSONDecoder decoderWithParseOptions(JSONParseOptionFlags parseOptionFlags);
    JSONDecoder();
    explicit JSONDecoder(JSONParseOptionFlags parseOptionFlags);
    JSONDecoder(JSONDecoder&&) noexcept;
    JSONDecoder& operator=(JSONDecoder&&) noexcept;
    ~JSONDecoder();

    void clearCache();
    JSONParseOptionFlags parseOptionFlags() const;

    // A null `string` throws std::invalid_argument; a view whose data() is
    // null stands for a missing buffer and throws likewise. Bad input gives no
    // value and, when `error` is given, the error record.
    std::optional<JSONValue> objectWithUTF8String(const char* string, size_t length);
    std::optional<JSONValue> objectWithUTF8String(const char* string, size_t length, JSONError* error);
    std::optional<JSONValue> objectWithData(std::string_view jsonData);
    std::optional<JSONValue> objectWithData(std::string_view jsonData, JSONError* error);
    std::optional<JSONValue> mutableObjectWithUTF8String(const char* string, size_t length);
    std::optional<JSONValue> mutableObjectWithUTF8String(const char* string, size_t length, JSONError* error);
    std::optional<JSONValue> mutableObjectWithData(std::string_view jsonData);
    std::optional<JSONValue> mutableObjectWithData(std::string_view jsonData, JSONError* error);
    std::optional<JSONValue> parseUTF8String(const char* string, size_t length);
    std::optional<JSONValue> parseUTF8String(const char* string, size_t length, JSONError* error);
    std::optional<JSONValue> parseJSONData(std::string_view jsonData);
    std::optional<JSONValue> parseJSONData(std::string_view jsonData, JSONError* error);

private:
    std::optional<JSONValue> run(const char* string, size_t length, bool mutableContainers, JSONError* error);
    // Missing only in a decoder that was moved from.
    std::unique_ptr<JSONParser> parseState_;
};
