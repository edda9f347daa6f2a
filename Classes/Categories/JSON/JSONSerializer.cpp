#include "JSONSerializer.h"

#include "JSONEncodeState.h"
#include "JSONUnicode.h"

#include <memory>
#include <stdexcept>

namespace {

void require(bool condition, const char* text)
{
    if (!condition) throw std::logic_error(std::string("Invalid parameter not satisfying: ") + text);
}

std::nullopt_t failWith(JSONError* error, std::string description)
{
    if (error) *error = JSONError(std::move(description));
    return std::nullopt;
}

} // namespace

std::optional<JSONSerializerResult> JSONSerializer::serializeObject(const JSONValue* object, JSONSerializeOptionFlags options,
                                                                    JSONEncodeOptionType encodeOption,
                                                                    const JSONFormatterBlock* block, const void* delegate,
                                                                    const JSONFormatterBlock* selector, JSONError* error)
{
    if (delegate && !selector) {
        throw std::invalid_argument("The delegate argument is not NULL, but the selector argument is NULL.");
    }
    if (delegate && !*selector) {
        throw std::invalid_argument(
            "The serializeUnsupportedClassesUsingDelegate: delegate does not respond to the selector argument.");
    }
    require(object != nullptr, "object != nullptr");
    require(block == nullptr || delegate == nullptr, "block == nullptr || delegate == nullptr");
    require((encodeOption & JSONEncodeOptionCollectionObj) == 0 ||
                (encodeOption & (JSONEncodeOptionStringObj | JSONEncodeOptionStringObjTrimQuotes)) == 0,
            "(encodeOption & JSONEncodeOptionCollectionObj) == 0 || "
            "(encodeOption & (JSONEncodeOptionStringObj | JSONEncodeOptionStringObjTrimQuotes)) == 0");
    require((encodeOption & JSONEncodeOptionStringObjTrimQuotes) == 0 || (encodeOption & JSONEncodeOptionStringObj) != 0,
            "(encodeOption & JSONEncodeOptionStringObjTrimQuotes) == 0 || (encodeOption & JSONEncodeOptionStringObj) != 0");

    const JSONEncodeOptionType asType = encodeOption & JSONEncodeOptionAsTypeMask;
    if (asType != JSONEncodeOptionAsData && asType != JSONEncodeOptionAsString) return failWith(error, "Unknown encode as type.");
    if ((encodeOption & JSONEncodeOptionCollectionObj) && !object->isArray() && !object->isDictionary()) {
        return failWith(error, "Unable to serialize object class " + object->className() +
                                   ", expected a NSArray or NSDictionary.");
    }
    if ((encodeOption & JSONEncodeOptionStringObj) && !object->isString()) {
        return failWith(error, "Unable to serialize object class " + object->className() + ", expected a NSString.");
    }

    const JSONFormatterBlock* formatter = block ? block : (delegate ? selector : nullptr);
    JSONEncodeState state(options, formatter);
    if (!state.encode(*object, (encodeOption & JSONEncodeOptionStringObjTrimQuotes) == 0)) {
        return failWith(error, state.errorDescription());
    }
    const JSONOutputBuffer& out = state.output();
    if (asType == JSONEncodeOptionAsData) return JSONSerializerResult(std::in_place_index<0>, out.data(), out.size());
    return JSONSerializerResult(std::in_place_index<1>, JSONUnicode::toUTF16(std::string_view(out.data(), out.size())));
}
