// One JSON value in 16 bytes: null, boolean, signed/unsigned 64-bit integer,
// double, string, array, dictionary, or a foreign object that only a
// serializer formatter understands.
//
// Strings up to 14 bytes live inside the value; longer strings and containers
// are shared, reference-counted objects (copying a value shares them, as
// object references do). Strings are immutable; containers are mutable only
// when made by a mutable parse or by the mutable factories below.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

class JSONArray;
class JSONDictionary;
class JSONParser;
class JSONSerializer;

// Base class for application values the codec does not know. Serializing one
// needs a formatter that turns it into a value the codec does know.
class JSONForeignObject {
public:
    virtual ~JSONForeignObject() = default;
    virtual std::string className() const = 0;
};

namespace JSONDetail {
struct StringRep;
struct ForeignRep;
struct ValueAccess;
}

class JSONValue {
public:
    enum class Type : uint8_t {
        Null,
        Boolean,
        SignedInteger,
        UnsignedInteger,
        Double,
        String,
        Array,
        Dictionary,
        Foreign,
    };

    JSONValue() noexcept { setTag(kNull); }
    JSONValue(std::nullptr_t) noexcept : JSONValue() {}
    JSONValue(bool value) noexcept
    {
        setTag(kBoolean);
        setPayload<uint64_t>(value ? 1 : 0);
    }
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    JSONValue(T value) noexcept
    {
        if constexpr (std::is_signed_v<T>) {
            setTag(kSigned);
            setPayload<int64_t>(value);
        } else {
            setTag(kUnsigned);
            setPayload<uint64_t>(value);
        }
    }
    JSONValue(double value) noexcept
    {
        setTag(kDouble);
        setPayload<double>(value);
    }
    JSONValue(float value) noexcept : JSONValue(static_cast<double>(value)) {}
    // UTF-8 text. Bytes that are not valid UTF-8 are kept, and make the
    // serializer refuse the string.
    JSONValue(std::string_view utf8);
    JSONValue(const char* utf8) : JSONValue(std::string_view(utf8)) {}
    JSONValue(const std::string& utf8) : JSONValue(std::string_view(utf8)) {}
    explicit JSONValue(std::shared_ptr<const JSONForeignObject> object);
    // A further reference to an existing container.
    JSONValue(const JSONArray& array) noexcept;
    JSONValue(const JSONDictionary& dictionary) noexcept;

    JSONValue(const JSONValue& other) noexcept
    {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        retain();
    }
    JSONValue(JSONValue&& other) noexcept
    {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.setTag(kNull);
    }
    JSONValue& operator=(const JSONValue& other) noexcept
    {
        JSONValue copy(other);
        swap(copy);
        return *this;
    }
    JSONValue& operator=(JSONValue&& other) noexcept
    {
        JSONValue moved(std::move(other));
        swap(moved);
        return *this;
    }
    ~JSONValue()
    {
        if (tag() >= kLongString) release();
    }
    void swap(JSONValue& other) noexcept
    {
        unsigned char tmp[16];
        std::memcpy(tmp, bytes_, sizeof tmp);
        std::memcpy(bytes_, other.bytes_, sizeof tmp);
        std::memcpy(other.bytes_, tmp, sizeof tmp);
    }

    // New, empty, mutable containers for building a tree to serialize.
    static JSONValue mutableArray(size_t capacity = 0);
    static JSONValue mutableDictionary(size_t capacity = 0);

    Type type() const noexcept;
    bool isNull() const noexcept { return tag() == kNull; }
    bool isBoolean() const noexcept { return tag() == kBoolean; }
    bool isNumber() const noexcept { return tag() >= kSigned && tag() <= kDouble; }
    bool isString() const noexcept { return tag() == kShortString || tag() == kLongString; }
    bool isArray() const noexcept { return tag() == kArray; }
    bool isDictionary() const noexcept { return tag() == kDictionary; }

    // Numbers and booleans convert between each other as C casts do; other
    // types give 0 / false.
    bool boolValue() const noexcept;
    int64_t int64Value() const noexcept;
    uint64_t uint64Value() const noexcept;
    double doubleValue() const noexcept;
    // Empty for anything but a string.
    std::string_view stringValue() const noexcept;
    bool isValidUTF8() const noexcept { return (bytes_[0] & kInvalidUTF8Flag) == 0; }
    // nullptr unless the value is that kind of container / object.
    JSONArray* array() const noexcept;
    JSONDictionary* dictionary() const noexcept;
    const JSONForeignObject* foreignObject() const noexcept;

    // The class name used in error messages.
    std::string className() const;

    // Deep equality. Numbers compare by value across storage types (the
    // double 1.0 equals the integer 1); booleans never equal numbers;
    // dictionaries compare regardless of member order. Works on trees of
    // any depth.
    bool operator==(const JSONValue& other) const;

private:
    friend class JSONArray;
    friend class JSONDictionary;
    friend class JSONParser;
    friend class JSONSerializer;
    friend struct JSONDetail::ValueAccess;

    enum Tag : uint8_t {
        kNull,
        kBoolean,
        kSigned,
        kUnsigned,
        kDouble,
        kShortString,
        // Everything from here on holds a reference.
        kLongString,
        kArray,
        kDictionary,
        kForeign,
    };
    static constexpr uint8_t kTagMask = 0x0f;
    static constexpr uint8_t kInvalidUTF8Flag = 0x80;
    static constexpr size_t kShortCapacity = 14;

    struct AdoptTag {};
    JSONValue(Tag tag, void* adopted, AdoptTag) noexcept
    {
        setTag(tag);
        setPayload<void*>(adopted);
    }

    uint8_t tag() const noexcept { return bytes_[0] & kTagMask; }
    void setTag(uint8_t tag) noexcept
    {
        std::memset(bytes_, 0, sizeof bytes_);
        bytes_[0] = tag;
    }
    template <class T> T payload() const noexcept
    {
        T value;
        std::memcpy(&value, bytes_ + 8, sizeof value);
        return value;
    }
    template <class T> void setPayload(T value) noexcept { std::memcpy(bytes_ + 8, &value, sizeof value); }
    void* pointer() const noexcept { return payload<void*>(); }
    void retain() const noexcept;
    void release() noexcept;

    alignas(8) unsigned char bytes_[16];
};

static_assert(sizeof(JSONValue) == 16);
