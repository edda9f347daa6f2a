#include "JSONSerializing.h"

#include "JSONUnicode.h"

#include <variant>

namespace JSONDetail {

std::optional<std::u16string> serializeToString(const JSONValue& object, JSONSerializeOptionFlags options,
                                                JSONEncodeOptionType encodeOption, const JSONFormatterBlock* block,
                                                const void* delegate, const JSONFormatterBlock* selector, JSONError* error)
{
    auto result = JSONSerializer::serializeObject(&object, options, encodeOption, block, delegate, selector, error);
    if (!result) return std::nullopt;
    return std::get<std::u16string>(std::move(*result));
}

std::optional<std::string> serializeToData(const JSONValue& object, JSONSerializeOptionFlags options,
                                           JSONEncodeOptionType encodeOption, const JSONFormatterBlock* block,
                                           const void* delegate, const JSONFormatterBlock* selector, JSONError* error)
{
    auto result = JSONSerializer::serializeObject(&object, options, encodeOption, block, delegate, selector, error);
    if (!result) return std::nullopt;
    return std::get<std::string>(std::move(*result));
}

JSONValue stringValueFromUTF16(std::u16string_view string)
{
    // An unpaired surrogate stays in its three-byte form, which is not UTF-8:
    // the serializer then refuses the string.
    return JSONValue(JSONUnicode::fromUTF16(string, 0));
}

} // namespace JSONDetail

std::optional<std::u16string> JSONString(std::u16string_view string)
{
    return JSONDetail::serializeToString(JSONDetail::stringValueFromUTF16(string), 0, 18, nullptr, nullptr, nullptr, nullptr);
}

std::optional<std::string> JSONData(std::u16string_view string)
{
    return JSONDetail::serializeToData(JSONDetail::stringValueFromUTF16(string), 0, 17, nullptr, nullptr, nullptr, nullptr);
}

std::optional<std::u16string> JSONStringWithOptions(std::u16string_view string, JSONSerializeOptionFlags serializeOptions,
                                                    bool includeQuotes, JSONError* error)
{
    return JSONDetail::serializeToString(JSONDetail::stringValueFromUTF16(string), serializeOptions, includeQuotes ? 18 : 50,
                                         nullptr, nullptr, nullptr, error);
}

std::optional<std::string> JSONDataWithOptions(std::u16string_view string, JSONSerializeOptionFlags serializeOptions,
                                               bool includeQuotes, JSONError* error)
{
    return JSONDetail::serializeToData(JSONDetail::stringValueFromUTF16(string), serializeOptions, includeQuotes ? 17 : 49,
                                       nullptr, nullptr, nullptr, error);
}
