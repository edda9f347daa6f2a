// Helpers shared by the parser's source files.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace JSONParserSupport {

inline constexpr const char* kUnableToParse = "Unable to parse JSON.";
inline constexpr const char* kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.";
inline constexpr std::string_view kItemString = "a \"STRING\"";
inline constexpr std::string_view kItemValue = "a value";
inline constexpr std::string_view kItemComma = "a comma";
inline constexpr std::string_view kItemCloseObject = "a '}'";
inline constexpr std::string_view kItemCloseArray = "a ']'";

inline bool isDigit(unsigned char c) noexcept
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Characters that begin some token, valid or not in the current position.
inline bool startsToken(unsigned char c) noexcept
{
    switch (c) {
    case '{': case '}': case '[': case ']': case ',': case ':': case '"': case '-': case 't': case 'f': case 'n':
        return true;
    default: return isDigit(c);
    }
}

inline bool startsValue(unsigned char c) noexcept
{
    return c == '"' || c == '-' || isDigit(c) || c == 't' || c == 'f' || c == 'n' || c == '[' || c == '{';
}

// First byte at or after s that a string cannot copy as is: quote,
// backslash, control character or non-ASCII byte.
inline const unsigned char* scanPlain(const unsigned char* s, const unsigned char* end) noexcept
{
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i space = _mm_set1_epi8(0x20);
    while (end - s >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        // Signed compare: bytes >= 0x80 are negative, so they count as < 0x20.
        const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                                             _mm_cmplt_epi8(v, space));
        const int mask = _mm_movemask_epi8(special);
        if (mask) return s + __builtin_ctz(static_cast<unsigned>(mask));
        s += 16;
    }
#endif
    while (s < end) {
        const unsigned char c = *s;
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) return s;
        ++s;
    }
    return end;
}

inline uint64_t load64(const void* p) noexcept
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Hash of a string of at least 8 bytes; collisions only cost cache hits.
inline uint32_t hashBytes(const char* s, size_t n) noexcept
{
    uint64_t h = load64(s) * 0x9e3779b97f4a7c15ULL;
    h ^= load64(s + n - 8) * 0xc2b2ae3d27d4eb4fULL;
    h ^= load64(s + (n >> 1) - 4) * 0x165667b19e3779f9ULL;
    h ^= n * 0x27d4eb2f165667c5ULL;
    h ^= h >> 29;
    return static_cast<uint32_t>(h ^ (h >> 32));
}


inline std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
inline std::string format(const char* fmt, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return std::string(buffer, n < 0 ? 0 : (static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1));
}

} // namespace JSONParserSupport
