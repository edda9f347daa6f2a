#include "JSONEncodeState.h"

#include "JSONArray.h"
#include "JSONUnicode.h"
#include "JSONValueStorage.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using JSONDetail::StringRep;
using JSONDetail::ValueAccess;

namespace {

constexpr char kHex[] = "0123456789abcdef";

// First byte at or after s that needs an escape: quote, backslash, control
// character, and, when asked, "/" and non-ASCII bytes.
inline const unsigned char* scanPlain(const unsigned char* s, const unsigned char* end, bool slash, bool nonASCII) noexcept
{
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i extra = _mm_set1_epi8(slash ? '/' : '"');
    const __m128i bias = _mm_set1_epi8(nonASCII ? 0 : static_cast<char>(0x80));
    const __m128i limit = _mm_set1_epi8(nonASCII ? 0x20 : static_cast<char>(0xa0));
    while (end - s >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        // Without the bias the signed compare also catches bytes >= 0x80;
        // with it the compare is unsigned and catches controls only.
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, extra), _mm_cmplt_epi8(_mm_xor_si128(v, bias), limit)));
        const int mask = _mm_movemask_epi8(special);
        if (mask) return s + __builtin_ctz(static_cast<unsigned>(mask));
        s += 16;
    }
#endif
    for (; s < end; ++s) {
        const unsigned char c = *s;
        if (c == '"' || c == '\\' || c < 0x20 || (slash && c == '/') || (nonASCII && c >= 0x80)) return s;
    }
    return end;
}

#ifdef __SSE2__
// Bits of the bytes in v that need an escape, by the same rule as scanPlain.
inline unsigned specialMask(__m128i v, bool slash, bool nonASCII) noexcept
{
    const __m128i bias = _mm_set1_epi8(nonASCII ? 0 : static_cast<char>(0x80));
    const __m128i limit = _mm_set1_epi8(nonASCII ? 0x20 : static_cast<char>(0xa0));
    const __m128i special = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))),
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(slash ? '/' : '"')), _mm_cmplt_epi8(_mm_xor_si128(v, bias), limit)));
    return static_cast<unsigned>(_mm_movemask_epi8(special));
}
#endif

// Containers and long strings live elsewhere in memory; fetching the next
// one while this one is written hides most of the wait.
inline void prefetch(const JSONValue& value) noexcept
{
    if (ValueAccess::tag(value) >= ValueAccess::kLongString) {
        const char* target = static_cast<const char*>(ValueAccess::pointer(value));
        __builtin_prefetch(target);
        __builtin_prefetch(target + 64);
    }
}

} // namespace

void JSONEncodeState::growFrames()
{
    auto grown = std::make_unique<Frame[]>(frameCapacity_ * 2);
    std::copy(frames_, frames_ + frameCount_, grown.get());
    heapFrames_ = std::move(grown);
    frames_ = heapFrames_.get();
    frameCapacity_ *= 2;
}

[[gnu::always_inline]] inline void JSONEncodeState::pushFrame(const Frame& frame)
{
    if (frameCount_ == frameCapacity_) growFrames();
    frames_[frameCount_++] = frame;
}

JSONEncodeState::JSONEncodeState(JSONSerializeOptionFlags options, const JSONFormatterBlock* formatter)
    : options_(options), pretty_((options & JSONSerializeOptionPretty) != 0), formatter_(formatter)
{
}

bool JSONEncodeState::fail(std::string description)
{
    if (!failed_) {
        failed_ = true;
        error_ = std::move(description);
    }
    return false;
}

bool JSONEncodeState::writeNewline()
{
    // Keeps the slack the next step counts on.
    if (!out_.reserve(1 + 2 * depth_ + kSlack)) return failBuffer();
    out_.put('\n');
    std::memset(out_.cursor(), ' ', 2 * depth_);
    out_.advance(2 * depth_);
    return true;
}


[[gnu::always_inline]] inline bool JSONEncodeState::openArray(const JSONArray& array)
{
    if (array.count() == 0 && !pretty_) {
        out_.put("[]", 2);
        return true;
    }
    out_.put('[');
    pushFrame({array.begin(), nullptr, sorted_.size(), array.count(), 0});
    if (pretty_) {
        ++depth_;
        return writeNewline();
    }
    return true;
}

[[gnu::always_inline]] inline bool JSONEncodeState::openDictionary(const JSONDictionary& dictionary)
{
    if (dictionary.count() == 0 && !pretty_) {
        out_.put("{}", 2);
        return true;
    }
    out_.put('{');
    const size_t base = sorted_.size();
    if (pretty_) {
        for (const JSONDictionary::Entry& entry : dictionary) sorted_.push_back(&entry);
        std::sort(sorted_.begin() + static_cast<std::ptrdiff_t>(base), sorted_.end(),
                  [](const JSONDictionary::Entry* a, const JSONDictionary::Entry* b) {
                      return a->key.stringValue() < b->key.stringValue();
                  });
    }
    // An empty dictionary still needs a non-null marker to read as one.
    pushFrame({nullptr, dictionary.count() ? dictionary.begin() : reinterpret_cast<const JSONDictionary::Entry*>(&dictionary),
                       base, dictionary.count(), 0});
    if (pretty_) {
        ++depth_;
        return writeNewline();
    }
    return true;
}

[[gnu::always_inline]] inline bool JSONEncodeState::encodeValue(const JSONValue& value)
{
    switch (ValueAccess::tag(value)) {
    case ValueAccess::kNull:
        out_.put("null", 4);
        return true;
    case ValueAccess::kBoolean: {
        const bool b = value.boolValue();
        out_.put(b ? "true" : "false", b ? 4 : 5);
        return true;
    }
    case ValueAccess::kSigned:
    case ValueAccess::kUnsigned: {
        char* at = out_.cursor();
        const auto result = ValueAccess::tag(value) == ValueAccess::kSigned
                                ? std::to_chars(at, at + 24, ValueAccess::payload<int64_t>(value))
                                : std::to_chars(at, at + 24, ValueAccess::payload<uint64_t>(value));
        out_.advance(static_cast<size_t>(result.ptr - at));
        return true;
    }
    case ValueAccess::kDouble: return writeDouble(ValueAccess::payload<double>(value));
    case ValueAccess::kShortString:
    case ValueAccess::kLongString: return writeString(value, true);
    case ValueAccess::kArray: return openArray(*value.array());
    case ValueAccess::kDictionary: return openDictionary(*value.dictionary());
    default: return encodeForeign(value);
    }
}

bool JSONEncodeState::encodeForeign(const JSONValue& value)
{
    if (!formatter_) return fail("Unable to serialize object class " + value.className() + ".");
    std::optional<JSONValue> replacement = (*formatter_)(value);
    if (!replacement || replacement->type() == JSONValue::Type::Foreign) {
        return fail("Unable to serialize object class " + (replacement ? replacement->className() : std::string("NULL")) +
                    " that was returned by the unsupported class formatter.  Original object class was " +
                    value.className() + ".");
    }
    formatted_.push_back(std::move(*replacement));
    return encodeValue(formatted_.back());
}

bool JSONEncodeState::writeDouble(double value)
{
    if (!std::isfinite(value)) return fail("Floating point values must be finite.  JSON does not support NaN or Infinity.");
    char* at = out_.cursor();
    // The same text as printf's "%.17g".
    const auto result = std::to_chars(at, at + 32, value, std::chars_format::general, 17);
    out_.advance(static_cast<size_t>(result.ptr - at));
    return true;
}

[[gnu::always_inline]] inline bool JSONEncodeState::writeString(const JSONValue& value, bool withQuotes)
{
    if (!value.isValidUTF8()) return fail("Error converting UTF8.");
#ifdef __SSE2__
    if (ValueAccess::tag(value) == ValueAccess::kShortString && withQuotes) {
        // Short strings sit in the value itself: test and copy all 14 bytes at once.
        const unsigned char* bytes = ValueAccess::bytes(value);
        const size_t length = bytes[1];
        const __m128i text = _mm_srli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), 2);
        const unsigned mask = specialMask(text, (options_ & JSONSerializeOptionEscapeForwardSlashes) != 0,
                                          (options_ & JSONSerializeOptionEscapeUnicode) != 0);
        if ((mask & ((1u << length) - 1)) == 0) {
            if (!out_.reserve(18)) return failBuffer(); // usually within the slack already
            char* at = out_.cursor();
            at[0] = '"';
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 1), text);
            at[1 + length] = '"';
            out_.advance(length + 2);
            return true;
        }
    }
#endif
    return writeLongString(value, withQuotes);
}

bool JSONEncodeState::writeLongString(const JSONValue& value, bool withQuotes)
{
    const std::string_view text = value.stringValue();
    const bool cacheable = withQuotes && ValueAccess::tag(value) == ValueAccess::kLongString;
    CacheSlot* slot = nullptr;
    if (cacheable) {
        // The same shared string written again is copied from the earlier text.
        if (!cache_) {
            cache_.reset(new CacheSlot[JSONSerializer::kCacheSlots]);
            std::fill_n(cache_.get(), JSONSerializer::kCacheSlots, CacheSlot{nullptr, 0, 0});
        }
        const void* rep = ValueAccess::pointer(value);
        slot = &cache_[(reinterpret_cast<uintptr_t>(rep) >> 4) & (JSONSerializer::kCacheSlots - 1)];
        if (slot->string == rep) {
            if (!out_.reserve(slot->length)) return failBuffer();
            std::memmove(out_.cursor(), out_.data() + slot->offset, slot->length);
            out_.advance(slot->length);
            return true;
        }
    }
    const size_t start = out_.size();
    if (!out_.reserve(text.size() + 2)) return failBuffer();
    if (withQuotes) out_.put('"');
    if (!writeEscaped(reinterpret_cast<const unsigned char*>(text.data()), text.size())) return false;
    if (!out_.reserve(1)) return failBuffer();
    if (withQuotes) out_.put('"');
    if (slot) *slot = {ValueAccess::pointer(value), start, out_.size() - start};
    return true;
}

bool JSONEncodeState::writeEscaped(const unsigned char* s, size_t n)
{
    const bool slash = (options_ & JSONSerializeOptionEscapeForwardSlashes) != 0;
    const bool nonASCII = (options_ & JSONSerializeOptionEscapeUnicode) != 0;
    const unsigned char* end = s + n;
    while (s < end) {
        const unsigned char* q = scanPlain(s, end, slash, nonASCII);
        if (!out_.reserve(static_cast<size_t>(q - s) + 12)) return failBuffer();
        out_.put(reinterpret_cast<const char*>(s), static_cast<size_t>(q - s));
        if (q == end) break;
        const unsigned char c = *q;
        s = q + 1;
        char* at = out_.cursor();
        switch (c) {
        case '"': out_.put("\\\"", 2); continue;
        case '\\': out_.put("\\\\", 2); continue;
        case '/': out_.put("\\/", 2); continue;
        case '\b': out_.put("\\b", 2); continue;
        case '\t': out_.put("\\t", 2); continue;
        case '\n': out_.put("\\n", 2); continue;
        case '\f': out_.put("\\f", 2); continue;
        case '\r': out_.put("\\r", 2); continue;
        default: break;
        }
        uint32_t codePoint = c;
        if (c >= 0x80) {
            const int length = JSONUnicode::decodeUTF8(q, end, codePoint);
            if (length <= 0) return fail("Error converting UTF8.");
            s = q + length;
        }
        auto escape = [&](uint32_t unit) {
            at[0] = '\\';
            at[1] = 'u';
            at[2] = kHex[(unit >> 12) & 15];
            at[3] = kHex[(unit >> 8) & 15];
            at[4] = kHex[(unit >> 4) & 15];
            at[5] = kHex[unit & 15];
            at += 6;
        };
        if (codePoint > 0xffff) {
            escape((codePoint >> 10) + 0xd7c0);
            escape((codePoint & 0x3ff) | 0xdc00);
            out_.advance(12);
        } else {
            escape(codePoint);
            out_.advance(6);
        }
    }
    return true;
}

bool JSONEncodeState::encode(const JSONValue& object, bool withQuotes)
{
    if (object.isString()) return writeString(object, withQuotes);
    // Each step below writes at most kSlack bytes unless it reserves for itself.
    if (!out_.reserve(kSlack)) return failBuffer();
    if (!encodeValue(object)) return false;
    while (frameCount_ > 0) {
        if (!out_.reserve(kSlack)) return failBuffer();
        Frame& frame = frames_[frameCount_ - 1];
        if (frame.index == frame.count) {
            const bool isArray = frame.items != nullptr;
            sorted_.resize(frame.sortedBase);
            --frameCount_;
            if (pretty_) {
                --depth_;
                if (!writeNewline()) return false;
            }
            out_.put(isArray ? ']' : '}');
            continue;
        }
        const size_t index = frame.index++;
        if (index > 0) {
            out_.put(',');
            if (pretty_ && !writeNewline()) return false;
        }
        if (frame.items) {
            if (index + 1 < frame.count) prefetch(frame.items[index + 1]);
            if (!encodeValue(frame.items[index])) return false;
            continue;
        }
        if (!pretty_ && index + 1 < frame.count) prefetch(frame.entries[index + 1].value);
        const JSONDictionary::Entry& entry = pretty_ ? *sorted_[frame.sortedBase + index] : frame.entries[index];
        if (!entry.key.isString()) return fail("Key must be a string object.");
        if (!writeString(entry.key, true)) return false;
        if (!out_.reserve(kSlack)) return failBuffer();
        out_.put(':');
        if (pretty_) out_.put(' ');
        if (!encodeValue(entry.value)) return false; // may push a frame: `entry` and `frame` are dead now
    }
    return true;
}
