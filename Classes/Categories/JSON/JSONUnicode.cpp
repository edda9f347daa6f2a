#include "JSONUnicode.h"

int JSONUnicode::decodeUTF8(const unsigned char* s, const unsigned char* end, uint32_t& codePoint) noexcept
{
    const unsigned char lead = s[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    int length;
    uint32_t cp;
    unsigned char low = 0x80, high = 0xbf; // allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        cp = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        cp = lead & 0x0f;
        if (lead == 0xe0) low = 0xa0;       // no overlong forms
        else if (lead == 0xed) high = 0x9f; // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        cp = lead & 0x07;
        if (lead == 0xf0) low = 0x90;       // no overlong forms
        else if (lead == 0xf4) high = 0x8f; // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (s + i >= end) return -1;
        const unsigned char c = s[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xbf)) return 0;
        cp = (cp << 6) | (c & 0x3f);
    }
    codePoint = cp;
    return length;
}

size_t JSONUnicode::malformedLength(const unsigned char* s, const unsigned char* end) noexcept
{
    const unsigned char lead = s[0];
    int length;
    unsigned char low = 0x80, high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) length = 2;
    else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        else if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        else if (lead == 0xf4) high = 0x8f;
    } else {
        return 1;
    }
    size_t used = 1;
    for (int i = 1; i < length && s + i < end; ++i, ++used) {
        const unsigned char c = s[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xbf)) break;
    }
    return used;
}

bool JSONUnicode::isValidUTF8(std::string_view bytes) noexcept
{
    auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    auto* end = s + bytes.size();
    while (s < end) {
        if (*s < 0x80) {
            ++s;
            continue;
        }
        uint32_t cp;
        const int n = decodeUTF8(s, end, cp);
        if (n <= 0) return false;
        s += n;
    }
    return true;
}

size_t JSONUnicode::encodeUTF8(char* out, uint32_t cp) noexcept
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xc0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3f));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xe0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out[2] = static_cast<char>(0x80 | (cp & 0x3f));
        return 3;
    }
    out[0] = static_cast<char>(0xf0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    out[3] = static_cast<char>(0x80 | (cp & 0x3f));
    return 4;
}

void JSONUnicode::appendUTF8(std::string& out, uint32_t codePoint)
{
    char buffer[4];
    out.append(buffer, encodeUTF8(buffer, codePoint));
}

std::string JSONUnicode::fromUTF16(std::u16string_view text, char replacement)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) {
            c = 0x10000 + ((c - 0xd800) << 10) + (text[i + 1] - 0xdc00);
            ++i;
        } else if (c >= 0xd800 && c <= 0xdfff && replacement != 0) {
            out.push_back(replacement);
            continue;
        }
        appendUTF8(out, c);
    }
    return out;
}

std::u16string JSONUnicode::toUTF16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    auto* end = s + utf8.size();
    while (s < end) {
        uint32_t cp;
        int n = decodeUTF8(s, end, cp);
        if (n <= 0) {
            cp = 0xfffd;
            n = 1;
        }
        s += n;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xd800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xdc00 + ((cp - 0x10000) & 0x3ff)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}
