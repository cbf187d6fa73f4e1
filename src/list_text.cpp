#include "list_text.h"

#include <cstdint>

namespace {

// The lead byte says how many continuation bytes of six bits each follow.
void appendUtf8(std::string& text, uint32_t code)
{
    const int continuations = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    const uint32_t lead = continuations == 0 ? 0 : 0xFF00 >> (continuations + 1) & 0xFF;
    text += static_cast<char>(lead | code >> 6 * continuations);
    for (int shift = 6 * (continuations - 1); shift >= 0; shift -= 6)
        text += static_cast<char>(0x80 | (code >> shift & 0x3F));
}

}  // namespace

bool startsWithUtf16Mark(std::string_view bytes)
{
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

bool decodeUtf16List(std::string& contents)
{
    if (!startsWithUtf16Mark(contents) || contents.size() % 2 != 0)
        return false;
    const bool bigEndian = contents[0] == '\xFE';
    const auto unitAt = [&contents, bigEndian](size_t at) {
        const auto first = static_cast<unsigned char>(contents[at]);
        const auto second = static_cast<unsigned char>(contents[at + 1]);
        return static_cast<uint32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    std::string text;
    text.reserve(contents.size() + contents.size() / 2);
    for (size_t at = 2; at < contents.size(); at += 2) {
        uint32_t code = unitAt(at);
        if (code >= 0xDC00 && code <= 0xDFFF)
            return false;  // the second half of a pair, alone
        if (code >= 0xD800 && code <= 0xDBFF) {
            const uint32_t low = at + 2 < contents.size() ? unitAt(at + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        }
        appendUtf8(text, code);
    }
    contents = std::move(text);
    return true;
}
