// Any bytes as the start of a FLAC or Ogg file, or as a Vorbis comment: the
// parsers stay inside them, a FLAC stream's fields stay in their ranges, and
// every text is UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "flac_header.h"
#include "ogg_tags.h"
#include "tags.h"
#include "text_encoding.h"

namespace {

void requireUtf8(const Tags& tags)
{
    for (const std::string* text : {&tags.title, &tags.artist, &tags.album, &tags.albumArtist})
        if (!isUtf8(*text))
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FlacStream stream;
    // The head is the first kilobyte; the rest is read as a file's is.
    if (parseFlacHeader(bytes.substr(0, 1024), size, [bytes](uint64_t offset, size_t count) {
            return offset < bytes.size() ? bytes.substr(offset, count) : std::string_view();
        }, stream) &&
        (stream.sampleRate <= 0 || stream.channels < 1 || stream.channels > 8 || stream.bitsPerSample < 1 ||
         stream.bitsPerSample > 32 || stream.commentOffset > size))
        std::abort();
    Tags ogg, comment;
    readOggTags(bytes, ogg);
    readVorbisComment(bytes, comment);
    requireUtf8(ogg);
    requireUtf8(comment);
    return 0;
}
