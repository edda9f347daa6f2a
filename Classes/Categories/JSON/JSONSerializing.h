// Serializing entry points on arrays, dictionaries and text. Results come
// back as bytes (UTF-8, the JSONData forms) or as UTF-16 text (the JSONString
// forms); failures give no value and, when `error` is given, the record.
#pragma once

#include "JSONArray.h"
#include "JSONDictionary.h"
#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONSerializer.h"
#include "JSONValue.h"

#include <concepts>
#include <optional>
#include <string>
#include <string_view>

template <class T>
concept JSONContainer = std::same_as<T, JSONArray> || std::same_as<T, JSONDictionary>;

// A member of the delegate that formats values of unsupported types.
template <class Delegate>
using JSONFormatterSelector = std::optional<JSONValue> (Delegate::*)(const JSONValue& object);

namespace JSONDetail {

std::optional<std::u16string> serializeToString(const JSONValue& object, JSONSerializeOptionFlags options,
                                                JSONEncodeOptionType encodeOption, const JSONFormatterBlock* block,
                                                const void* delegate, const JSONFormatterBlock* selector, JSONError* error);
std::optional<std::string> serializeToData(const JSONValue& object, JSONSerializeOptionFlags options,
                                           JSONEncodeOptionType encodeOption, const JSONFormatterBlock* block,
                                           const void* delegate, const JSONFormatterBlock* selector, JSONError* error);
JSONValue stringValueFromUTF16(std::u16string_view string);

template <class Delegate>
JSONFormatterBlock bindSelector(Delegate* delegate, JSONFormatterSelector<Delegate> selector)
{
    return [delegate, selector](const JSONValue& object) { return (delegate->*selector)(object); };
}

} // namespace JSONDetail

// ---- arrays and dictionaries: the top value must be a container --------------

template <JSONContainer C> std::optional<std::u16string> JSONString(const C& container)
{
    return JSONDetail::serializeToString(JSONValue(container), 0, 10, nullptr, nullptr, nullptr, nullptr);
}
template <JSONContainer C>
std::optional<std::u16string> JSONStringWithOptions(const C& container, JSONSerializeOptionFlags serializeOptions, JSONError* error)
{
    return JSONDetail::serializeToString(JSONValue(container), serializeOptions, 10, nullptr, nullptr, nullptr, error);
}
template <JSONContainer C>
std::optional<std::u16string> JSONStringWithOptions(const C& container, JSONSerializeOptionFlags serializeOptions,
                                                    const JSONFormatterBlock& serializeUnsupportedClassesUsingBlock,
                                                    JSONError* error)
{
    return JSONDetail::serializeToString(JSONValue(container), serializeOptions, 10, &serializeUnsupportedClassesUsingBlock,
                                         nullptr, nullptr, error);
}
template <JSONContainer C, class Delegate>
std::optional<std::u16string> JSONStringWithOptions(const C& container, JSONSerializeOptionFlags serializeOptions,
                                                    Delegate* serializeUnsupportedClassesUsingDelegate,
                                                    JSONFormatterSelector<Delegate> selector, JSONError* error)
{
    const JSONFormatterBlock bound = selector ? JSONDetail::bindSelector(serializeUnsupportedClassesUsingDelegate, selector)
                                              : JSONFormatterBlock();
    return JSONDetail::serializeToString(JSONValue(container), serializeOptions, 10, nullptr,
                                         serializeUnsupportedClassesUsingDelegate, selector ? &bound : nullptr, error);
}

template <JSONContainer C> std::optional<std::string> JSONData(const C& container)
{
    return JSONDetail::serializeToData(JSONValue(container), 0, 9, nullptr, nullptr, nullptr, nullptr);
}
template <JSONContainer C>
std::optional<std::string> JSONDataWithOptions(const C& container, JSONSerializeOptionFlags serializeOptions, JSONError* error)
{
    return JSONDetail::serializeToData(JSONValue(container), serializeOptions, 9, nullptr, nullptr, nullptr, error);
}
template <JSONContainer C>
std::optional<std::string> JSONDataWithOptions(const C& container, JSONSerializeOptionFlags serializeOptions,
                                               const JSONFormatterBlock& serializeUnsupportedClassesUsingBlock, JSONError* error)
{
    return JSONDetail::serializeToData(JSONValue(container), serializeOptions, 9, &serializeUnsupportedClassesUsingBlock,
                                       nullptr, nullptr, error);
}
template <JSONContainer C, class Delegate>
std::optional<std::string> JSONDataWithOptions(const C& container, JSONSerializeOptionFlags serializeOptions,
                                               Delegate* serializeUnsupportedClassesUsingDelegate,
                                               JSONFormatterSelector<Delegate> selector, JSONError* error)
{
    const JSONFormatterBlock bound = selector ? JSONDetail::bindSelector(serializeUnsupportedClassesUsingDelegate, selector)
                                              : JSONFormatterBlock();
    return JSONDetail::serializeToData(JSONValue(container), serializeOptions, 9, nullptr,
                                       serializeUnsupportedClassesUsingDelegate, selector ? &bound : nullptr, error);
}

// ---- text: written as one JSON string ------------------------------------

std::optional<std::u16string> JSONString(std::u16string_view string);
std::optional<std::string> JSONData(std::u16string_view string);
std::optional<std::u16string> JSONStringWithOptions(std::u16string_view string, JSONSerializeOptionFlags serializeOptions,
                                                    bool includeQuotes, JSONError* error);
std::optional<std::string> JSONDataWithOptions(std::u16string_view string, JSONSerializeOptionFlags serializeOptions,
                                               bool includeQuotes, JSONError* error);
