#include "flac_header.h"

#include "tags.h"

namespace {

// The STREAMINFO block's fields: 20 bits of rate, 3 of channels less one, 5
// of bits less one, 36 of samples, after the block and frame sizes.
bool readStreamInfo(std::string_view info, FlacStream& stream)
{
    if (info.size() < 18)
        return false;
    const uint64_t bits = assemble(info.substr(10, 8), ByteOrder::big);
    stream.sampleRate = static_cast<int64_t>(bits >> 44);
    stream.channels = static_cast<int>((bits >> 41 & 0x7) + 1);
    stream.bitsPerSample = static_cast<int>((bits >> 36 & 0x1F) + 1);
    stream.sampleFrames = static_cast<int64_t>(bits & 0xFFFFFFFFF);
    return stream.sampleRate > 0;
}

}  // namespace

bool parseFlacHeader(std::string_view head, uint64_t fileSize, const ReadAt& readAt, FlacStream& stream)
{
    uint64_t offset = id3TagBytes(head);
    const auto bytesAt = [&](uint64_t at, size_t count) {
        return at + count <= head.size() ? head.substr(static_cast<size_t>(at), count) : readAt(at, count);
    };
    if (bytesAt(offset, 4) != "fLaC")
        return false;
    offset += 4;
    // Each block: a byte of the last-block flag and the type, 3 of length.
    for (int block = 0; block < 128 && offset + 4 <= fileSize; ++block) {
        const std::string_view header = bytesAt(offset, 4);
        if (header.size() < 4)
            return false;
        const int type = static_cast<unsigned char>(header[0]) & 0x7F;
        const auto length = static_cast<uint32_t>(assemble(header.substr(1, 3), ByteOrder::big));
        if (block == 0 && (type != 0 || !readStreamInfo(bytesAt(offset + 4, 18), stream)))
            return false;
        if (type == 4 && stream.commentOffset == 0) {
            stream.commentOffset = offset + 4;
            stream.commentBytes = length;
        }
        if (static_cast<unsigned char>(header[0]) & 0x80)
            break;
        offset += 4 + uint64_t{length};
    }
    return stream.sampleRate > 0;  // its STREAMINFO was read
}
