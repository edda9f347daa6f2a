#pragma once
// Property-list values and files. A value keeps its kind (integer, real,
// boolean, string, data, date, array, dictionary) through XML and binary files.
#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class PlistValue {
public:
    using Array = std::vector<PlistValue>;
    using Dictionary = std::map<std::string, PlistValue>;
    using Data = std::vector<uint8_t>;
    struct Date {
        double secondsSince2001 = 0; // the platform's reference date
        friend bool operator==(const Date&, const Date&) = default;
    };
    enum class Type { Boolean, Integer, Real, String, Data, Date, Array, Dictionary };

    PlistValue() : v_(int64_t{0}) {}
    PlistValue(bool b) : v_(b) {}
    PlistValue(int i) : v_(int64_t{i}) {}
    PlistValue(long i) : v_(int64_t{i}) {}
    PlistValue(long long i) : v_(int64_t{i}) {}
    PlistValue(unsigned i) : v_(int64_t{i}) {}
    PlistValue(double d) : v_(d) {}
    PlistValue(float f) : v_(double{f}) {}
    PlistValue(std::string s) : v_(std::move(s)) {}
    PlistValue(const char* s) : v_(std::string(s)) {}
    PlistValue(Data d) : v_(std::move(d)) {}
    PlistValue(Date d) : v_(d) {}
    PlistValue(Array a) : v_(std::move(a)) {}
    PlistValue(Dictionary d) : v_(std::move(d)) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNumber() const { return type() == Type::Boolean || type() == Type::Integer || type() == Type::Real; }
    bool isString() const { return type() == Type::String; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }

    // Numeric views across the number kinds, as the platform's number object
    // answers them; 0 for anything that is not a number.
    bool boolValue() const;
    int64_t integerValue() const;
    int32_t intValue() const
    {
        return static_cast<int32_t>(std::clamp<int64_t>(integerValue(), INT32_MIN, INT32_MAX));
    }
    double doubleValue() const;
    float floatValue() const { return static_cast<float>(doubleValue()); }

    const std::string* string() const { return std::get_if<std::string>(&v_); }
    const Array* array() const { return std::get_if<Array>(&v_); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&v_); }
    const Data* data() const { return std::get_if<Data>(&v_); }
    const Date* date() const { return std::get_if<Date>(&v_); }

    friend bool operator==(const PlistValue&, const PlistValue&) = default;

private:
    std::variant<bool, int64_t, double, std::string, Data, Date, Array, Dictionary> v_;
};

namespace PropertyList {

enum class Format { XML, Binary };

// Arrays and dictionaries nested deeper than this are refused, not parsed:
// no settings file comes near it, and deeper ones would exhaust the stack.
inline constexpr size_t kMaxNesting = 256;

// Text or bytes in either format to a value; none when it is not a property
// list or nests deeper than kMaxNesting.
std::optional<PlistValue> parse(const std::string& bytes);
std::string serialize(const PlistValue& value, Format format = Format::XML);

// Why a file gave no value.
struct ReadFailure {
    enum class Kind { Missing, Unreadable, NotAPropertyList };
    Kind kind = Kind::Missing;
    std::string reason; // the system's error text when the file could not be read
};

// Reads a file; none when the file is missing or unreadable or is no property
// list, and then `failure` says which.
std::optional<PlistValue> readFile(const std::string& path, ReadFailure* failure);
std::optional<PlistValue> readFile(const std::string& path, bool* missing = nullptr);
// The file a chain of symbolic links ends at (which need not exist yet); the
// path itself when it is no link.
std::string linkTarget(const std::string& path);

// Writes atomically: a temporary file beside the target, flushed to disk, then
// renamed. A symbolic link is written through to the file it names (the link
// stays), and an existing file keeps its mode; a new one gets 0600.
bool writeFile(const std::string& path, const PlistValue& value, Format format = Format::XML);

} // namespace PropertyList
