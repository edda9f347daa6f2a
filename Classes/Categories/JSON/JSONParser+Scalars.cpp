// Strings with escapes or non-ASCII text, literals and numbers.
#include "JSONParser.h"

#include "JSONParserSupport.h"
#include "JSONUnicode.h"
#include "JSONValueStorage.h"

#include <charconv>
#include <climits>
#include <new>

using namespace JSONParserSupport;

bool JSONParser::parseStringSlow(JSONValue& out, const unsigned char* start, const unsigned char* s)
{
    scratch_.assign(reinterpret_cast<const char*>(start), static_cast<size_t>(s - start));
    for (;;) {
        if (s == end_) return fail(s, kUnableToParse);
        const unsigned char c = *s;
        if (c == '"') break;
        if (c == '\\') {
            if (!parseEscape(s)) return false;
        } else if (c < 0x20) {
            return fail(s, format("Invalid character < 0x20 found in string: 0x%2.2x.", c));
        } else {
            uint32_t codePoint;
            const int n = JSONUnicode::decodeUTF8(s, end_, codePoint);
            if (n > 0) {
                scratch_.append(reinterpret_cast<const char*>(s), static_cast<size_t>(n));
                s += n;
            } else if (n < 0) {
                return fail(s, "End of buffer reached while parsing UTF8 in \"\" string.");
            } else if (loose_) {
                scratch_.append("\xef\xbf\xbd");
                s += JSONUnicode::malformedLength(s, end_);
            } else {
                return fail(s, "Illegal UTF8 sequence found in \"\" string.");
            }
        }
        const unsigned char* q = scanPlain(s, end_);
        scratch_.append(reinterpret_cast<const char*>(s), static_cast<size_t>(q - s));
        s = q;
    }
    p_ = s + 1;
    makeString(out, scratch_.data(), scratch_.size());
    return true;
}

bool JSONParser::readHex4(const unsigned char* s, uint32_t& unit)
{
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        if (s + i >= end_) return fail(s + i, kUnableToParse);
        const unsigned char c = s[i];
        uint32_t digit;
        if (isDigit(c)) digit = c - '0';
        else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') digit = (c | 0x20) - 'a' + 10;
        else {
            return fail(s + i, format("Unexpected character found in \\u Unicode escape sequence.  Found '%c', "
                                      "expected [0-9a-fA-F].",
                                      c));
        }
        unit = unit << 4 | digit;
    }
    return true;
}

bool JSONParser::parseEscape(const unsigned char*& s)
{
    if (s + 1 >= end_) return fail(s + 1, kUnableToParse);
    char simple;
    switch (s[1]) {
    case '"': simple = '"'; break;
    case '\\': simple = '\\'; break;
    case '/': simple = '/'; break;
    case 'b': simple = '\b'; break;
    case 'f': simple = '\f'; break;
    case 'n': simple = '\n'; break;
    case 'r': simple = '\r'; break;
    case 't': simple = '\t'; break;
    case 'u': simple = 0; break;
    default: return fail(s + 1, "Invalid escape sequence found in \"\" string.");
    }
    if (s[1] != 'u') {
        scratch_.push_back(simple);
        s += 2;
        return true;
    }
    const unsigned char* escape = s;
    uint32_t unit;
    if (!readHex4(s + 2, unit)) return false;
    s += 6;
    char utf8[4];
    if (unit >= 0xd800 && unit <= 0xdbff) {
        if (s + 1 < end_ && s[0] == '\\' && s[1] == 'u') {
            uint32_t low;
            if (!readHex4(s + 2, low)) return false;
            if (low >= 0xdc00 && low <= 0xdfff) {
                const uint32_t codePoint = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
                scratch_.append(utf8, JSONUnicode::encodeUTF8(utf8, codePoint));
                s += 6;
                return true;
            }
            if (!loose_) return fail(s, "Illegal \\u Unicode escape sequence.");
        } else if (!loose_) {
            return fail(s, "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape "
                           "sequence.");
        }
        // Loose: the high half alone becomes U+FFFD; what follows is read anew.
        scratch_.append("\xef\xbf\xbd");
        return true;
    }
    if ((unit >= 0xdc00 && unit <= 0xdfff) || unit == 0xfffe || unit == 0xffff) {
        if (!loose_) return fail(escape, "Illegal \\u Unicode escape sequence.");
        scratch_.append("\xef\xbf\xbd");
        return true;
    }
    scratch_.append(utf8, JSONUnicode::encodeUTF8(utf8, unit));
    return true;
}

bool JSONParser::parseLiteral(JSONValue& out)
{
    const size_t left = static_cast<size_t>(end_ - p_);
    if (left >= 4 && std::memcmp(p_, "true", 4) == 0) {
        new (&out) JSONValue(true);
        p_ += 4;
    } else if (left >= 5 && std::memcmp(p_, "false", 5) == 0) {
        new (&out) JSONValue(false);
        p_ += 5;
    } else if (left >= 4 && std::memcmp(p_, "null", 4) == 0) {
        p_ += 4;
    } else {
        return fail(p_, kUnexpectedToken);
    }
    return true;
}

namespace {

// Whether an out-of-range decimal is too small (rather than too large): the
// power of ten of its first significant digit is negative.
bool isUnderflow(const unsigned char* s, const unsigned char* end)
{
    if (*s == '-') ++s;
    long long integerDigits = 0, leadingFractionZeros = 0;
    bool significant = false;
    while (s < end && isDigit(*s)) {
        if (*s != '0' || significant) {
            significant = true;
            ++integerDigits;
        }
        ++s;
    }
    if (s < end && *s == '.') {
        for (++s; s < end && isDigit(*s); ++s) {
            if (significant) continue;
            if (*s == '0') ++leadingFractionZeros;
            else significant = true;
        }
    }
    long long exponent = 0;
    if (s < end && (*s | 0x20) == 'e') {
        ++s;
        const bool negative = s < end && *s == '-';
        if (s < end && (*s == '-' || *s == '+')) ++s;
        for (; s < end && isDigit(*s); ++s) {
            if (exponent < 1000000000) exponent = exponent * 10 + (*s - '0');
        }
        if (negative) exponent = -exponent;
    }
    const long long magnitude = integerDigits > 0 ? integerDigits - 1 + exponent : exponent - leadingFractionZeros - 1;
    return magnitude < 0;
}

} // namespace

bool JSONParser::parseNumber(JSONValue& out)
{
    const unsigned char* start = p_;
    const unsigned char* s = p_;
    const bool negative = *s == '-';
    if (negative) ++s;
    if (s == end_ || !isDigit(*s)) return fail(start, "Invalid number.");
    uint64_t magnitude = 0;
    bool overflow = false;
    if (*s == '0') {
        ++s;
        if (s < end_ && isDigit(*s)) return fail(start, "Invalid number.");
    } else {
        const unsigned char* digits = s;
        for (; s < end_ && isDigit(*s); ++s) {
            const unsigned digit = *s - '0';
            if (s - digits < 19) {
                magnitude = magnitude * 10 + digit;
            } else if (magnitude > (UINT64_MAX - digit) / 10) {
                overflow = true;
            } else {
                magnitude = magnitude * 10 + digit;
            }
        }
    }
    bool isDouble = false;
    if (s < end_ && *s == '.') {
        ++s;
        if (s == end_ || !isDigit(*s)) return fail(start, "Invalid number.");
        while (s < end_ && isDigit(*s)) ++s;
        isDouble = true;
    }
    if (s < end_ && (*s | 0x20) == 'e') {
        ++s;
        if (s < end_ && (*s == '+' || *s == '-')) ++s;
        if (s == end_ || !isDigit(*s)) return fail(start, "Invalid number.");
        while (s < end_ && isDigit(*s)) ++s;
        isDouble = true;
    }
    p_ = s;
    const auto* text = reinterpret_cast<const char*>(start);
    const size_t length = static_cast<size_t>(s - start);
    if (!isDouble && negative && length == 2 && start[1] == '0') {
        new (&out) JSONValue(-0.0);
        return true;
    }
    if (isDouble) {
        double value;
        const auto [end, ec] = std::from_chars(text, text + length, value);
        if (ec == std::errc::result_out_of_range) {
            return fail(start, format("The value '%.*s' could not be represented as a 'double' due to %s.",
                                      static_cast<int>(length), text, isUnderflow(start, s) ? "underflow" : "overflow"));
        }
        if (ec != std::errc()) return fail(start, "Invalid number.");
        if (end != text + length) {
            return fail(start, "The conversion function did not consume all of the number tokens characters.");
        }
        new (&out) JSONValue(value);
        return true;
    }
    if (negative) {
        if (overflow || magnitude > uint64_t{1} << 63) {
            return fail(start, format("The value '%.*s' exceeded the minimum value that could be represented: %lld.",
                                      static_cast<int>(length), text, LLONG_MIN));
        }
        new (&out) JSONValue(magnitude == uint64_t{1} << 63 ? INT64_MIN : -static_cast<int64_t>(magnitude));
        return true;
    }
    if (overflow) {
        return fail(start, format("The value '%.*s' exceeded the maximum value that could be represented: %llu.",
                                  static_cast<int>(length), text, ULLONG_MAX));
    }
    new (&out) JSONValue(magnitude);
    return true;
}
