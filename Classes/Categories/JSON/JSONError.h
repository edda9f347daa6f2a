// The error record of a failed parse or serialization.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

inline constexpr const char* JSONErrorDomain = "JSONErrorDomain";
inline constexpr const char* JSONAtIndexKey = "JSONAtIndexKey";       // byte offset in the input
inline constexpr const char* JSONLineNumberKey = "JSONLineNumberKey"; // counted from 1

class JSONError {
public:
    JSONError() = default;
    explicit JSONError(std::string description) : domain(JSONErrorDomain), code(-1), localizedDescription(std::move(description)) {}

    std::optional<uint64_t> valueForKey(const std::string& key) const
    {
        auto it = userInfo.find(key);
        if (it == userInfo.end()) return std::nullopt;
        return it->second;
    }

    std::string domain;
    long code = 0;
    std::string localizedDescription;
    std::map<std::string, uint64_t> userInfo;
};
