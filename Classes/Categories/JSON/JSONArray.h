// The codec's array. Only the codec makes them (a parse, or
// JSONValue::mutableArray); one made by a non-mutable parse refuses changes.
#pragma once

#include "JSONValue.h"

#include <atomic>
#include <cstddef>
#include <optional>

namespace JSONDetail {
struct ContainerRelease;
}

class JSONArray {
public:
    JSONArray(const JSONArray&) = delete;
    JSONArray& operator=(const JSONArray&) = delete;

    size_t count() const noexcept { return count_; }
    bool isMutable() const noexcept { return mutable_; }
    // Throws std::invalid_argument when index >= count().
    const JSONValue& objectAtIndex(size_t index) const;
    const JSONValue* begin() const noexcept { return items_; }
    const JSONValue* end() const noexcept { return items_ + count_; }

    // Mutation; a read-only array throws std::logic_error, a missing object
    // or an index out of range std::invalid_argument.
    void addObject(std::optional<JSONValue> object);
    void insertObject(std::optional<JSONValue> object, size_t atIndex);
    void replaceObjectAtIndex(size_t index, std::optional<JSONValue> withObject);
    void removeObjectAtIndex(size_t index);
    void removeLastObject();
    void removeAllObjects();

private:
    friend class JSONValue;
    friend class JSONParser;
    friend struct JSONDetail::ContainerRelease;

    JSONArray(size_t capacity, bool isMutable) noexcept;
    ~JSONArray();
    // One allocation holding the array and room for `capacity` items.
    static JSONArray* create(size_t capacity, bool isMutable);
    static void destroy(JSONArray* array) noexcept;
    void requireMutable(const char* operation) const;
    void requireIndex(const char* operation, size_t index, size_t limit) const;
    void reserve(size_t needed);

    mutable std::atomic<uint32_t> refs_{1};
    bool mutable_;
    bool inlineItems_ = true;
    size_t count_ = 0;
    size_t capacity_;
    JSONValue* items_;
};
