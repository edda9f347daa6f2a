// The parse state behind a JSONDecoder: one pass over UTF-8 bytes, no
// recursion (containers nest on an explicit stack, so depth is bounded only by
// memory), and a cache of recently made strings shared between parses.
#pragma once

#include "JSONArray.h"
#include "JSONDictionary.h"
#include "JSONError.h"
#include "JSONOptions.h"
#include "JSONValue.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace JSONDetail {
struct StringRep;
}

class JSONParser {
public:
    explicit JSONParser(JSONParseOptionFlags options);
    ~JSONParser();
    JSONParser(const JSONParser&) = delete;
    JSONParser& operator=(const JSONParser&) = delete;

    std::optional<JSONValue> parse(const char* bytes, size_t length, bool mutableContainers, JSONError* error);
    void clearCache() noexcept;
    JSONParseOptionFlags options() const noexcept { return options_; }

    // "Expected ..." message for a misplaced token, given the items that were
    // allowed in that position (one to three).
    static std::string expectedMessage(std::initializer_list<std::string_view> allowed, std::string_view token);

    static constexpr size_t kCacheSlots = 1024;
    static constexpr size_t kCacheMaxLength = 128;

private:
    enum State : unsigned char {
        ArrayStart,
        ArrayComma,
        ArrayValue,
        ObjectStart,
        ObjectComma,
        ObjectKey,
        ObjectColon,
        ObjectValue,
    };
    struct Frame {
        size_t firstValue;
        bool isArray;
    };

    // Scratch values of the containers still open, pushed in document order.
    class ValueStack {
    public:
        ~ValueStack();
        JSONValue& push()
        {
            if (size_ == capacity_) grow();
            return *new (data_ + size_++) JSONValue();
        }
        void clear() noexcept;
        JSONValue* data() noexcept { return data_; }
        size_t size() const noexcept { return size_; }
        void shrinkTo(size_t size) noexcept { size_ = size; } // values above were moved out

    private:
        void grow();
        JSONValue* data_ = nullptr;
        size_t size_ = 0;
        size_t capacity_ = 0;
    };

    bool parseContainers(JSONValue& result);
    bool closeContainer(JSONValue& result, bool& finished);
    bool parseString(JSONValue& out);
    bool parseStringSlow(JSONValue& out, const unsigned char* start, const unsigned char* s);
    bool parseEscape(const unsigned char*& s);
    bool readHex4(const unsigned char* s, uint32_t& unit);
    bool parseNumber(JSONValue& out);
    bool parseLiteral(JSONValue& out);
    void makeString(JSONValue& out, const char* bytes, size_t length);
    void dedupe(JSONValue* entries, size_t& count);
    static const JSONArray& sharedEmptyArray();
    static const JSONDictionary& sharedEmptyDictionary();

    void skipWhitespace() noexcept
    {
        while (p_ < end_) {
            const unsigned char c = *p_;
            if (c > ' ') {
                if (slowWhitespace_ && (c == '/' || c >= 0x80)) skipWhitespaceSlow();
                return;
            }
            if (c == ' ' || c == '\t') {
                ++p_;
            } else if (c == '\n') {
                ++p_;
                ++line_;
                skipIndentation();
            } else if (c == '\r') {
                ++p_;
                ++line_;
                if (p_ < end_ && *p_ == '\n') ++p_;
            } else {
                return;
            }
        }
    }
    void skipWhitespaceSlow() noexcept;
    // Runs of spaces after a newline, 16 at a time.
    void skipIndentation() noexcept;
    size_t unicodeNewlineLength(const unsigned char* s) const noexcept;

    bool fail(const unsigned char* at, std::string message);
    bool failExpected(std::initializer_list<std::string_view> allowed);
    size_t tokenLength(const unsigned char* s) const noexcept;

    JSONParseOptionFlags options_;
    bool slowWhitespace_;
    bool loose_;
    bool mutable_ = false;
    const unsigned char* begin_ = nullptr;
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
    size_t line_ = 1;
    JSONError* error_ = nullptr;
    bool failed_ = false;

    ValueStack values_;
    std::vector<Frame> frames_;
    std::string scratch_;
    std::unique_ptr<JSONDetail::StringRep*[]> cache_;
};
