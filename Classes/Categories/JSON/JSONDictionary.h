// The codec's dictionary: string keys, one value per key, unordered. Only the
// codec makes them (a parse, or JSONValue::mutableDictionary); one made by a
// non-mutable parse refuses changes. Lookups scan the members, which suits the
// small objects of configuration documents.
#pragma once

#include "JSONValue.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string_view>

namespace JSONDetail {
struct ContainerRelease;
}

class JSONDictionary {
public:
    struct Entry {
        JSONValue key; // always a string
        JSONValue value;
    };

    JSONDictionary(const JSONDictionary&) = delete;
    JSONDictionary& operator=(const JSONDictionary&) = delete;

    size_t count() const noexcept { return count_; }
    bool isMutable() const noexcept { return mutable_; }
    // nullptr when the key is absent.
    const JSONValue* objectForKey(std::string_view key) const noexcept;
    // Members in storage order.
    const Entry* begin() const noexcept { return entries_; }
    const Entry* end() const noexcept { return entries_ + count_; }

    // Mutation; a read-only dictionary throws std::logic_error, a missing key
    // or object std::invalid_argument.
    void setObject(std::optional<JSONValue> object, std::optional<std::string_view> forKey);
    void removeObjectForKey(std::optional<std::string_view> key);
    void removeAllObjects();

private:
    friend class JSONValue;
    friend class JSONParser;
    friend struct JSONDetail::ContainerRelease;

    JSONDictionary(size_t capacity, bool isMutable) noexcept;
    ~JSONDictionary();
    static JSONDictionary* create(size_t capacity, bool isMutable);
    static void destroy(JSONDictionary* dictionary) noexcept;
    void requireMutable(const char* operation) const;
    Entry* find(std::string_view key) const noexcept;

    mutable std::atomic<uint32_t> refs_{1};
    bool mutable_;
    bool inlineEntries_ = true;
    size_t count_ = 0;
    size_t capacity_;
    Entry* entries_;
};
