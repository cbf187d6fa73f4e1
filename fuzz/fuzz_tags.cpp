// Any bytes as the body of a tag chunk, INFO list or ID3 tag: the reader
// stays inside them and gives UTF-8 texts. The same bytes as text: the UTF-8
// test agrees with a decoder written another way.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tags.h"
#include "text_encoding.h"

namespace {

// Strict UTF-8 by decoding: the lead byte's high ones give the length, the
// code must need that length, and it is no surrogate and no more than U+10FFFF.
bool decodesAsUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        int length = 0;
        while (length < 8 && (lead << length & 0x80))
            ++length;
        if (length == 0) {
            ++at;
            continue;
        }
        if (length == 1 || length > 4 || at + length > text.size())
            return false;
        uint32_t code = lead & (0xFFu >> (length + 1));
        for (int next = 1; next < length; ++next) {
            const auto byte = static_cast<unsigned char>(text[at + next]);
            if ((byte & 0xC0) != 0x80)
                return false;
            code = code << 6 | (byte & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        at += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    if (isUtf8(body) != decodesAsUtf8(body))
        std::abort();
    for (const std::string_view id : {"LIST", "ID3 "}) {
        Tags tags;
        readTagChunk(id, body, size % 2 ? ByteOrder::big : ByteOrder::little, tags);
        for (const std::string* text : {&tags.title, &tags.artist, &tags.album, &tags.albumArtist})
            if (!isUtf8(*text) || text->size() > 3 * size)
                std::abort();
    }
    return 0;
}
