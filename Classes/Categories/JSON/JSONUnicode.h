// UTF-8 / UTF-16 helpers shared by the parser, the serializer and the string
// entry points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class JSONUnicode {
public:
    // Length of the well-formed UTF-8 sequence at s (1 to 4), 0 when the bytes
    // there are malformed, or -1 when the sequence runs past `end`. On success
    // `codePoint` holds the decoded character.
    static int decodeUTF8(const unsigned char* s, const unsigned char* end, uint32_t& codePoint) noexcept;
    // Number of bytes of a malformed sequence to replace by one U+FFFD: the
    // lead byte and the continuation bytes that were still plausible.
    static size_t malformedLength(const unsigned char* s, const unsigned char* end) noexcept;
    static bool isValidUTF8(std::string_view bytes) noexcept;
    // Appends the UTF-8 form of a code point (at most U+10FFFF).
    static void appendUTF8(std::string& out, uint32_t codePoint);
    static size_t encodeUTF8(char* out, uint32_t codePoint) noexcept;
    // UTF-16 to UTF-8; an unpaired surrogate becomes `replacement` when it is
    // not zero, else it is encoded as its three-byte form (which is not valid
    // UTF-8, so the result is then marked as such by the caller).
    static std::string fromUTF16(std::u16string_view text, char replacement);
    // Valid UTF-8 to UTF-16.
    static std::u16string toUTF16(std::string_view utf8);
};
