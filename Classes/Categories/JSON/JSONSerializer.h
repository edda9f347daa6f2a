// Writes a JSONValue tree as UTF-8 JSON text in one pass, without recursion.
// Every serializing entry point comes here.
#pragma once

#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONValue.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>

// Turns a value the codec cannot write into one it can; nullopt for none.
using JSONFormatterBlock = std::function<std::optional<JSONValue>(const JSONValue& object)>;
// Bytes (encode-as 1) or UTF-16 text (encode-as 2).
using JSONSerializerResult = std::variant<std::string, std::u16string>;

class JSONSerializer {
public:
    // `delegate` identifies the formatter object and `selector` its bound
    // member; a delegate without a selector, or a selector that cannot be
    // called, throws std::invalid_argument. A null object, a block together
    // with a delegate, or contradicting encode-as bits throw std::logic_error.
    static std::optional<JSONSerializerResult> serializeObject(const JSONValue* object, JSONSerializeOptionFlags options,
                                                               JSONEncodeOptionType encodeOption,
                                                               const JSONFormatterBlock* block, const void* delegate,
                                                               const JSONFormatterBlock* selector, JSONError* error);

    static constexpr size_t kStackBufferSize = 16384;
    static constexpr size_t kCacheSlots = 1024;
};
