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

inline std::string compact(const JSONValue& value, JSONSerializeOptionFlags options = 0, JSONError* error = nullptr)
{
    const auto text = value.isArray() ? JSONDataWithOptions(*value.array(), options, error)
                                      : JSONDataWithOptions(*value.dictionary(), options, error);
    return text.value_or("<failed>");
}

inline const JSONValue& element(const JSONValue& array, size_t index)
{
    return array.array()->objectAtIndex(index);
}
