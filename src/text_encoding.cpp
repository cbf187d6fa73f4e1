#include "text_encoding.h"

std::string_view trimBlanks(std::string_view text)
{
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t") + 1 - start);
}

// The lead byte says how many continuation bytes of six bits each follow.
void appendUtf8(std::string& text, uint32_t code)
{
    const int continuations = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    const uint32_t lead = continuations == 0 ? 0 : 0xFF00 >> (continuations + 1) & 0xFF;
    text += static_cast<char>(lead | code >> 6 * continuations);
    for (int shift = 6 * (continuations - 1); shift >= 0; shift -= 6)
        text += static_cast<char>(0x80 | (code >> shift & 0x3F));
}

std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    const auto unitAt = [bytes, bigEndian](size_t at) {
        const uint32_t first = byteAt(bytes, at);
        const uint32_t second = byteAt(bytes, at + 1);
        return bigEndian ? first << 8 | second : second << 8 | first;
    };
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    for (size_t at = 0; at < bytes.size(); at += 2) {
        uint32_t code = unitAt(at);
        if (code >= 0xDC00 && code <= 0xDFFF)
            return std::nullopt;  // the second half of a pair, alone
        if (code >= 0xD800 && code <= 0xDBFF) {
            const uint32_t low = at + 2 < bytes.size() ? unitAt(at + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        }
        appendUtf8(text, code);
    }
    return text;
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes)
        appendUtf8(text, static_cast<unsigned char>(byte));
    return text;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    // Windows-1252 puts letters and punctuation where Latin-1 has the C1
    // controls; the five it leaves unused stay those controls.
    static constexpr uint16_t c1[32] = {
        0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
        0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178,
    };
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const unsigned char code = static_cast<unsigned char>(byte);
        appendUtf8(text, code >= 0x80 && code < 0xA0 ? c1[code - 0x80] : code);
    }
    return text;
}

size_t utf8Length(std::string_view text)
{
    if (text.empty())
        return 0;
    const unsigned char lead = byteAt(text, 0);
    const size_t length = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || length > text.size())
        return 0;
    // The second byte's range rules out overlong forms, surrogates and codes
    // above U+10FFFF (RFC 3629).
    const unsigned char second = length > 1 ? byteAt(text, 1) : 0x80;
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (length > 1 && (second < low || second > high))
        return 0;
    for (size_t at = 2; at < length; ++at)
        if ((byteAt(text, at) & 0xC0) != 0x80)
            return 0;
    return length;
}

bool isUtf8(std::string_view text)
{
    for (size_t length; !text.empty(); text.remove_prefix(length))
        if ((length = utf8Length(text)) == 0)
            return false;
    return true;
}

uint32_t codeOf(std::string_view text, size_t length)
{
    if (length == 1)
        return byteAt(text, 0);
    uint32_t code = byteAt(text, 0) & (0x7F >> length);
    for (size_t at = 1; at < length; ++at)
        code = code << 6 | (byteAt(text, at) & 0x3F);
    return code;
}
