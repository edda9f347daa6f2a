// Small helpers shared by the JSON codec tests.
#pragma once

#include "JSON.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

struct ParseOutcome {
    std::optional<JSONValue> value;
    JSONError error;
};

inline ParseOutcome parseBytes(std::string_view text, JSONParseOptionFlags options = 0)
{
    ParseOutcome outcome;
    outcome.value = objectFromJSONDataWithParseOptions(text, options, &outcome.error);
    return outcome;
}

// The container written as bytes; "<failed>" when it cannot be.
inline std::string compact(const JSONValue& value, JSONSerializeOptionFlags options = 0)
{
    const auto text = value.isArray() ? JSONDataWithOptions(*value.array(), options, nullptr)
                                      : JSONDataWithOptions(*value.dictionary(), options, nullptr);
    return text.value_or("<failed>");
}

inline const JSONValue& element(const JSONValue& array, size_t index) { return array.array()->objectAtIndex(index); }

// The message of what the call throws as an Exception; "<other exception>" or "<nothing thrown>" else.
template <class Exception, class F> std::string thrownMessage(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    } catch (...) {
        return "<other exception>";
    }
    return "<nothing thrown>";
}
