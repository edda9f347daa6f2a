// Parsing entry points on text and on byte buffers. Text is UTF-16 (the
// platform's string form); it is converted to UTF-8 first, an unpaired
// surrogate becoming "?". Byte buffers hold UTF-8.
#pragma once

#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONValue.h"

#include <optional>
#include <string_view>

std::optional<JSONValue> objectFromJSONString(std::u16string_view string);
std::optional<JSONValue> objectFromJSONStringWithParseOptions(std::u16string_view string, JSONParseOptionFlags parseOptionFlags);
std::optional<JSONValue> objectFromJSONStringWithParseOptions(std::u16string_view string, JSONParseOptionFlags parseOptionFlags,
                                                              JSONError* error);
std::optional<JSONValue> mutableObjectFromJSONString(std::u16string_view string);
std::optional<JSONValue> mutableObjectFromJSONStringWithParseOptions(std::u16string_view string,
                                                                     JSONParseOptionFlags parseOptionFlags);
std::optional<JSONValue> mutableObjectFromJSONStringWithParseOptions(std::u16string_view string,
                                                                     JSONParseOptionFlags parseOptionFlags, JSONError* error);

std::optional<JSONValue> objectFromJSONData(std::string_view jsonData);
std::optional<JSONValue> objectFromJSONDataWithParseOptions(std::string_view jsonData, JSONParseOptionFlags parseOptionFlags);
std::optional<JSONValue> objectFromJSONDataWithParseOptions(std::string_view jsonData, JSONParseOptionFlags parseOptionFlags,
                                                            JSONError* error);
std::optional<JSONValue> mutableObjectFromJSONData(std::string_view jsonData);
std::optional<JSONValue> mutableObjectFromJSONDataWithParseOptions(std::string_view jsonData,
                                                                   JSONParseOptionFlags parseOptionFlags);
std::optional<JSONValue> mutableObjectFromJSONDataWithParseOptions(std::string_view jsonData,
                                                                   JSONParseOptionFlags parseOptionFlags, JSONError* error);
