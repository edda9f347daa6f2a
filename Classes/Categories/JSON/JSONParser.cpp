#include "JSONParser.h"

#include "JSONParserSupport.h"
#include "JSONValueStorage.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using JSONDetail::StringRep;
using JSONDetail::ValueAccess;

using namespace JSONParserSupport;

namespace {

inline uint64_t keyHash(const JSONValue& key) noexcept
{
    const unsigned char* b = ValueAccess::bytes(key);
    if ((b[0] & 0x0f) == ValueAccess::kShortString) {
        uint64_t h = load64(b) * 0x9e3779b97f4a7c15ULL ^ load64(b + 8) * 0xc2b2ae3d27d4eb4fULL;
        return h ^ (h >> 31);
    }
    return static_cast<const StringRep*>(ValueAccess::pointer(key))->hash * 0x9e3779b97f4a7c15ULL;
}

} // namespace

// ---- value stack --------------------------------------------------------

JSONParser::ValueStack::~ValueStack()
{
    clear();
    std::free(data_);
}

void JSONParser::ValueStack::grow()
{
    const size_t capacity = capacity_ ? capacity_ * 2 : 256;
    void* grown = std::realloc(static_cast<void*>(data_), capacity * sizeof(JSONValue));
    if (!grown) throw std::bad_alloc();
    data_ = static_cast<JSONValue*>(grown);
    capacity_ = capacity;
}

void JSONParser::ValueStack::clear() noexcept
{
    while (size_ > 0) data_[--size_].~JSONValue();
}

// ---- set-up -------------------------------------------------------------

JSONParser::JSONParser(JSONParseOptionFlags options)
    : options_(options),
      slowWhitespace_((options & (JSONParseOptionComments | JSONParseOptionUnicodeNewlines)) != 0),
      loose_((options & JSONParseOptionLooseUnicode) != 0)
{
}

JSONParser::~JSONParser()
{
    clearCache();
}

void JSONParser::clearCache() noexcept
{
    if (!cache_) return;
    for (size_t i = 0; i < kCacheSlots; ++i) {
        if (StringRep* rep = cache_[i]) {
            if (rep->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) StringRep::destroy(rep);
            cache_[i] = nullptr;
        }
    }
}

std::optional<JSONValue> JSONParser::parse(const char* bytes, size_t length, bool mutableContainers, JSONError* error)
{
    // Left over only if an earlier parse was cut short by an exception.
    values_.clear();
    frames_.clear();
    begin_ = p_ = reinterpret_cast<const unsigned char*>(bytes);
    end_ = begin_ + length;
    line_ = 1;
    error_ = error;
    failed_ = false;
    mutable_ = mutableContainers;

    skipWhitespace();
    if (p_ == end_) {
        fail(p_, "Reached the end of the buffer.");
        return std::nullopt;
    }
    if (*p_ != '[' && *p_ != '{') {
        fail(p_, startsToken(*p_) ? "Expected either '[' or '{'." : kUnexpectedToken);
        return std::nullopt;
    }
    JSONValue result;
    const bool parsed = parseContainers(result);
    values_.clear();
    frames_.clear();
    if (!parsed) return std::nullopt;
    skipWhitespace();
    if (p_ != end_ && !(options_ & JSONParseOptionPermitTextAfterValidJSON)) {
        fail(p_, "A valid JSON object was parsed but there were additional non-white-space characters remaining.");
        return std::nullopt;
    }
    return result;
}

// ---- errors -------------------------------------------------------------

bool JSONParser::fail(const unsigned char* at, std::string message)
{
    if (failed_) return false;
    failed_ = true;
    if (error_) {
        *error_ = JSONError(std::move(message));
        error_->userInfo[JSONAtIndexKey] = static_cast<uint64_t>(at - begin_);
        error_->userInfo[JSONLineNumberKey] = line_;
    }
    return false;
}

std::string JSONParser::expectedMessage(std::initializer_list<std::string_view> allowed, std::string_view token)
{
    auto item = [&](size_t i) { return std::string(allowed.begin()[i]); };
    const std::string text(token);
    switch (allowed.size()) {
    case 1: return "Expected " + item(0) + ", not '" + text + "'";
    case 2: return "Expected " + item(0) + " or " + item(1) + ", not '" + text + "'";
    default: return "Expected " + item(0) + ", " + item(1) + ", or " + item(2) + ", not '" + text;
    }
}

bool JSONParser::failExpected(std::initializer_list<std::string_view> allowed)
{
    const std::string_view token(reinterpret_cast<const char*>(p_), tokenLength(p_));
    return fail(p_, expectedMessage(allowed, token));
}

size_t JSONParser::tokenLength(const unsigned char* s) const noexcept
{
    const unsigned char* q = s;
    if (*q == '"') {
        for (++q; q < end_ && *q != '"'; ++q) {
            if (*q == '\\' && q + 1 < end_) ++q;
        }
        return static_cast<size_t>((q < end_ ? q + 1 : q) - s);
    }
    if (*q == '-' || isDigit(*q)) {
        while (q < end_ && (isDigit(*q) || *q == '-' || *q == '+' || *q == '.' || *q == 'e' || *q == 'E')) ++q;
        return static_cast<size_t>(q - s);
    }
    if ((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') {
        while (q < end_ && (*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') ++q;
        return static_cast<size_t>(q - s);
    }
    return 1;
}

// ---- white space ----------------------------------------------------------

void JSONParser::skipIndentation() noexcept
{
#ifdef __SSE2__
    const __m128i space = _mm_set1_epi8(' ');
    while (end_ - p_ >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p_));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, space))) ^ 0xffffu;
        if (mask) {
            p_ += __builtin_ctz(mask);
            return;
        }
        p_ += 16;
    }
#endif
    while (p_ < end_ && *p_ == ' ') ++p_;
}

size_t JSONParser::unicodeNewlineLength(const unsigned char* s) const noexcept
{
    if (!(options_ & JSONParseOptionUnicodeNewlines)) return 0;
    if (s[0] == 0xc2 && s + 1 < end_ && s[1] == 0x85) return 2;
    if (s[0] == 0xe2 && s + 2 < end_ && s[1] == 0x80 && (s[2] == 0xa8 || s[2] == 0xa9)) return 3;
    return 0;
}

void JSONParser::skipWhitespaceSlow() noexcept
{
    while (p_ < end_) {
        const unsigned char c = *p_;
        if (c == ' ' || c == '\t') {
            ++p_;
        } else if (c == '\n') {
            ++p_;
            ++line_;
        } else if (c == '\r') {
            ++p_;
            ++line_;
            if (p_ < end_ && *p_ == '\n') ++p_;
        } else if (const size_t n = unicodeNewlineLength(p_)) {
            p_ += n;
            ++line_;
        } else if (c == '/' && (options_ & JSONParseOptionComments) && p_ + 1 < end_ && p_[1] == '/') {
            p_ += 2;
            while (p_ < end_ && *p_ != '\n' && *p_ != '\r' && !unicodeNewlineLength(p_)) ++p_;
        } else if (c == '/' && (options_ & JSONParseOptionComments) && p_ + 1 < end_ && p_[1] == '*') {
            // An unterminated comment is not white space: it is left for the
            // caller to refuse.
            size_t lines = 0;
            const unsigned char* q = p_ + 2;
            for (;;) {
                if (q + 1 >= end_) return;
                if (q[0] == '*' && q[1] == '/') break;
                if (*q == '\n') {
                    ++lines;
                } else if (*q == '\r') {
                    ++lines;
                    if (q + 1 < end_ && q[1] == '\n') ++q;
                } else if (const size_t n = unicodeNewlineLength(q)) {
                    ++lines;
                    q += n - 1;
                }
                ++q;
            }
            p_ = q + 2;
            line_ += lines;
        } else {
            return;
        }
    }
}

// ---- containers -----------------------------------------------------------

bool JSONParser::parseContainers(JSONValue& result)
{
    State state;
    frames_.push_back({values_.size(), *p_ == '['});
    state = *p_ == '[' ? ArrayStart : ObjectStart;
    ++p_;
    for (;;) {
        skipWhitespace();
        if (p_ == end_) return fail(p_, kUnableToParse);
        const unsigned char c = *p_;
        switch (state) {
        case ArrayStart:
        case ArrayComma:
        case ObjectColon:
            switch (c) {
            case '"':
                if (!parseString(values_.push())) return false;
                break;
            case '-': case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8': case '9':
                if (!parseNumber(values_.push())) return false;
                break;
            case 't':
            case 'f':
            case 'n':
                if (!parseLiteral(values_.push())) return false;
                break;
            case '[':
            case '{':
                frames_.push_back({values_.size(), c == '['});
                state = c == '[' ? ArrayStart : ObjectStart;
                ++p_;
                continue;
            case ']':
                if (state == ArrayComma) return fail(p_, "Unexpected ']'.");
                if (state == ObjectColon) return failExpected({kItemValue});
                goto close;
            case '}':
            case ':':
                if (state == ArrayStart) return failExpected({kItemValue, kItemCloseArray});
                return failExpected({kItemValue});
            case ',': return fail(p_, "Unexpected ','.");
            default: return fail(p_, kUnexpectedToken);
            }
            state = frames_.back().isArray ? ArrayValue : ObjectValue;
            continue;
        case ArrayValue:
            if (c == ',') {
                ++p_;
                state = ArrayComma;
                continue;
            }
            if (c == ']') goto close;
            if (startsValue(c)) return fail(p_, "Unexpected value.");
            if (c == '}' || c == ':') return failExpected({kItemComma, kItemCloseArray});
            return fail(p_, kUnexpectedToken);
        case ObjectStart:
        case ObjectComma:
            if (c == '"') {
                if (!parseString(values_.push())) return false;
                state = ObjectKey;
                continue;
            }
            if (c == '}') {
                if (state == ObjectComma) return fail(p_, "Unexpected '}'.");
                goto close;
            }
            if (c == ',') return fail(p_, "Unexpected ','.");
            if (startsToken(c)) {
                if (state == ObjectStart) return failExpected({kItemString, kItemCloseObject});
                return failExpected({kItemString});
            }
            return fail(p_, kUnexpectedToken);
        case ObjectKey:
            if (c != ':') return fail(p_, "Expected ':'.");
            ++p_;
            state = ObjectColon;
            continue;
        case ObjectValue:
            if (c == ',') {
                ++p_;
                state = ObjectComma;
                continue;
            }
            if (c == '}') goto close;
            if (c == '"') return fail(p_, "Unexpected string.");
            if (startsToken(c)) return failExpected({kItemComma, kItemCloseObject});
            return fail(p_, kUnexpectedToken);
        }
    close:
        ++p_;
        bool finished = false;
        if (!closeContainer(result, finished)) return false;
        if (finished) return true;
        state = frames_.back().isArray ? ArrayValue : ObjectValue;
    }
}

bool JSONParser::closeContainer(JSONValue& result, bool& finished)
{
    const Frame frame = frames_.back();
    frames_.pop_back();
    const size_t count = values_.size() - frame.firstValue;
    JSONValue* first = values_.data() + frame.firstValue;
    JSONValue made;
    if (count == 0 && !mutable_) {
        // Every empty read-only container is the same one: they cannot differ.
        made = frame.isArray ? JSONValue(sharedEmptyArray()) : JSONValue(sharedEmptyDictionary());
    } else if (frame.isArray) {
        JSONArray* array = JSONArray::create(count, mutable_);
        JSONDetail::relocate(array->items_, first, count);
        array->count_ = count;
        made = ValueAccess::adoptArray(array);
    } else {
        size_t members = count / 2;
        dedupe(first, members);
        JSONDictionary* dictionary = JSONDictionary::create(members, mutable_);
        JSONDetail::relocate(reinterpret_cast<JSONValue*>(dictionary->entries_), first, members * 2);
        dictionary->count_ = members;
        made = ValueAccess::adoptDictionary(dictionary);
    }
    values_.shrinkTo(frame.firstValue);
    if (frames_.empty()) {
        result = std::move(made);
        finished = true;
    } else {
        values_.push() = std::move(made);
    }
    return true;
}

const JSONArray& JSONParser::sharedEmptyArray()
{
    // Never freed: the static reference keeps the count above zero.
    static JSONArray* const empty = JSONArray::create(0, false);
    return *empty;
}

const JSONDictionary& JSONParser::sharedEmptyDictionary()
{
    static JSONDictionary* const empty = JSONDictionary::create(0, false);
    return *empty;
}

// Keeps the last value of a repeated key, at the place of the first one.
// `entries` holds key, value, key, value...
void JSONParser::dedupe(JSONValue* entries, size_t& count)
{
    if (count < 2) return;
    bool removed = false;
    auto merge = [&](size_t keep, size_t drop) {
        entries[2 * keep + 1] = std::move(entries[2 * drop + 1]);
        entries[2 * drop] = JSONValue();
        removed = true;
    };
    if (count <= 64) {
        // A 256-bit filter over the keys; only a filter hit costs a scan.
        uint64_t seen[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < count; ++i) {
            const JSONValue& key = entries[2 * i];
            const uint64_t bit = keyHash(key) >> 56;
            uint64_t& word = seen[bit >> 6];
            const uint64_t mask = uint64_t{1} << (bit & 63);
            if (word & mask) {
                for (size_t j = 0; j < i; ++j) {
                    if (!entries[2 * j].isNull() && JSONDetail::stringKeysEqual(entries[2 * j], key)) {
                        merge(j, i);
                        break;
                    }
                }
            }
            word |= mask;
        }
    } else {
        size_t slots = 128;
        while (slots < count * 2) slots *= 2;
        std::vector<uint32_t> table(slots, UINT32_MAX);
        for (size_t i = 0; i < count; ++i) {
            const JSONValue& key = entries[2 * i];
            size_t slot = (keyHash(key) >> 20) & (slots - 1);
            for (;;) {
                const uint32_t j = table[slot];
                if (j == UINT32_MAX) {
                    table[slot] = static_cast<uint32_t>(i);
                    break;
                }
                if (JSONDetail::stringKeysEqual(entries[2 * j], key)) {
                    merge(j, i);
                    break;
                }
                slot = (slot + 1) & (slots - 1);
            }
        }
    }
    if (!removed) return;
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        if (entries[2 * i].isNull()) continue;
        if (kept != i) JSONDetail::relocate(entries + 2 * kept, entries + 2 * i, 2);
        ++kept;
    }
    // The slots past `kept` hold moved-out copies; make them inert.
    for (size_t i = kept; i < count; ++i) {
        ValueAccess::forget(entries[2 * i]);
        ValueAccess::forget(entries[2 * i + 1]);
    }
    // The value stack still counts them; they are null now and dropped with it.
    count = kept;
}

// ---- scalars --------------------------------------------------------------

void JSONParser::makeString(JSONValue& out, const char* bytes, size_t length)
{
    if (length <= ValueAccess::kShortCapacity) {
        ValueAccess::makeShortString(out, bytes, length, true);
        return;
    }
    const uint32_t hash = hashBytes(bytes, length);
    if (length <= kCacheMaxLength) {
        if (!cache_) {
            cache_.reset(new StringRep*[kCacheSlots]);
            std::fill_n(cache_.get(), kCacheSlots, nullptr);
        }
        StringRep*& slot = cache_[hash & (kCacheSlots - 1)];
        if (slot && slot->hash == hash && slot->length == length && std::memcmp(slot->data(), bytes, length) == 0) {
            slot->refs.fetch_add(1, std::memory_order_relaxed);
            ValueAccess::adoptLongString(out, slot, true);
            return;
        }
        StringRep* rep = StringRep::create(bytes, length);
        rep->hash = hash;
        rep->refs.store(2, std::memory_order_relaxed); // one for the cache
        if (slot && slot->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) StringRep::destroy(slot);
        slot = rep;
        ValueAccess::adoptLongString(out, rep, true);
        return;
    }
    StringRep* rep = StringRep::create(bytes, length);
    rep->hash = hash;
    ValueAccess::adoptLongString(out, rep, true);
}

bool JSONParser::parseString(JSONValue& out)
{
    const unsigned char* start = p_ + 1;
    const unsigned char* s = scanPlain(start, end_);
    if (s < end_ && *s == '"') {
        makeString(out, reinterpret_cast<const char*>(start), static_cast<size_t>(s - start));
        p_ = s + 1;
        return true;
    }
    return parseStringSlow(out, start, s);
}

