// Any bytes as the body of a tag chunk, INFO list or ID3 tag: the reader
// stays inside them and gives UTF-8 texts.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tags.h"
#include "text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    for (const std::string_view id : {"LIST", "ID3 "}) {
        Tags tags;
        readTagChunk(id, body, tags);
        for (const std::string* text : {&tags.title, &tags.artist, &tags.album, &tags.albumArtist})
            if (!isUtf8(*text) || text->size() > 3 * size)
                std::abort();
    }
    return 0;
}
