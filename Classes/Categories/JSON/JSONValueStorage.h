// Internal storage shared by the codec's files: the shared string block, the
// foreign-object box, and raw access to a value's bytes. Not for other code.
#pragma once

#include "JSONArray.h"
#include "JSONDictionary.h"
#include "JSONValue.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace JSONDetail {

// A string longer than fits in a value: header followed by the bytes.
struct StringRep {
    std::atomic<uint32_t> refs{1};
    uint32_t hash = 0;
    size_t length = 0;

    char* data() noexcept { return reinterpret_cast<char*>(this + 1); }
    const char* data() const noexcept { return reinterpret_cast<const char*>(this + 1); }

    static StringRep* create(const char* bytes, size_t length)
    {
        void* memory = ::operator new(sizeof(StringRep) + length);
        auto* rep = new (memory) StringRep;
        rep->length = length;
        std::memcpy(rep->data(), bytes, length);
        return rep;
    }
    static void destroy(StringRep* rep) noexcept
    {
        rep->~StringRep();
        ::operator delete(static_cast<void*>(rep));
    }
};

struct ForeignRep {
    std::atomic<uint32_t> refs{1};
    std::shared_ptr<const JSONForeignObject> object;
};

// Frees containers without recursion, so a tree of any depth can be dropped.
struct ContainerRelease {
    static void destroyArray(JSONArray* array) noexcept;
    static void destroyDictionary(JSONDictionary* dictionary) noexcept;
    // Releases the children, then frees the container itself.
    static void freeArray(JSONArray* array) noexcept;
    static void freeDictionary(JSONDictionary* dictionary) noexcept;
};

// What the parser and serializer need below the public interface.
struct ValueAccess {
    static uint8_t tag(const JSONValue& v) noexcept { return v.tag(); }
    static const unsigned char* bytes(const JSONValue& v) noexcept { return v.bytes_; }
    static void* pointer(const JSONValue& v) noexcept { return v.pointer(); }
    template <class T> static T payload(const JSONValue& v) noexcept { return v.payload<T>(); }

    // Strings in canonical form: short ones always inline, so equal strings
    // always have equal representations kind-wise.
    static void makeShortString(JSONValue& v, const char* bytes, size_t length, bool valid) noexcept
    {
        v.setTag(JSONValue::kShortString);
        v.bytes_[0] |= valid ? 0 : JSONValue::kInvalidUTF8Flag;
        v.bytes_[1] = static_cast<unsigned char>(length);
        std::memcpy(v.bytes_ + 2, bytes, length);
    }
    static void adoptLongString(JSONValue& v, StringRep* rep, bool valid) noexcept
    {
        v.setTag(JSONValue::kLongString);
        v.bytes_[0] |= valid ? 0 : JSONValue::kInvalidUTF8Flag;
        v.setPayload<void*>(rep);
    }
    static JSONValue adoptArray(JSONArray* array) noexcept { return JSONValue(JSONValue::kArray, array, JSONValue::AdoptTag{}); }
    static JSONValue adoptDictionary(JSONDictionary* dictionary) noexcept
    {
        return JSONValue(JSONValue::kDictionary, dictionary, JSONValue::AdoptTag{});
    }
    // Gives up ownership without releasing: the bytes were moved elsewhere.
    static void forget(JSONValue& v) noexcept { v.setTag(JSONValue::kNull); }

    static constexpr size_t kShortCapacity = JSONValue::kShortCapacity;
    static constexpr uint8_t kShortString = JSONValue::kShortString;
    static constexpr uint8_t kLongString = JSONValue::kLongString;
    static constexpr uint8_t kNull = JSONValue::kNull;
    static constexpr uint8_t kBoolean = JSONValue::kBoolean;
    static constexpr uint8_t kSigned = JSONValue::kSigned;
    static constexpr uint8_t kUnsigned = JSONValue::kUnsigned;
    static constexpr uint8_t kDouble = JSONValue::kDouble;
    static constexpr uint8_t kArray = JSONValue::kArray;
    static constexpr uint8_t kDictionary = JSONValue::kDictionary;
    static constexpr uint8_t kForeign = JSONValue::kForeign;
};

// Moves values bit for bit: JSONValue is trivially relocatable.
inline void relocate(JSONValue* to, JSONValue* from, size_t count) noexcept
{
    if (count) std::memcpy(static_cast<void*>(to), static_cast<const void*>(from), count * sizeof(JSONValue));
}

// Equality of two string values; both must be strings.
inline bool stringKeysEqual(const JSONValue& a, const JSONValue& b) noexcept
{
    const unsigned char* x = ValueAccess::bytes(a);
    const unsigned char* y = ValueAccess::bytes(b);
    uint64_t x0, x1, y0, y1;
    std::memcpy(&x0, x, 8);
    std::memcpy(&y0, y, 8);
    if ((x[0] & 0x0f) == ValueAccess::kShortString) {
        std::memcpy(&x1, x + 8, 8);
        std::memcpy(&y1, y + 8, 8);
        return x0 == y0 && x1 == y1;
    }
    if ((y[0] & 0x0f) != ValueAccess::kLongString) return false;
    auto* r = static_cast<const StringRep*>(ValueAccess::pointer(a));
    auto* s = static_cast<const StringRep*>(ValueAccess::pointer(b));
    return r == s || (r->length == s->length && std::memcmp(r->data(), s->data(), r->length) == 0);
}

} // namespace JSONDetail
