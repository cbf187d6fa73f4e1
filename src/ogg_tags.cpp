#include "ogg_tags.h"

#include <string>

#include "wav_header.h"

namespace {

// The second packet of the first stream: pages are "OggS", a version, a
// type, a granule position, a serial number and more, 27 bytes in all, then
// a table of segment sizes and the segments; a packet ends at a segment
// shorter than 255 bytes.
std::string secondPacket(std::string_view pages)
{
    std::string packet;
    int packets = 0;
    uint64_t serial = 0;
    for (size_t at = 0; at + 27 <= pages.size() && pages.substr(at, 4) == "OggS";) {
        const uint64_t pageSerial = assemble(pages.substr(at + 14, 4), ByteOrder::little);
        serial = at == 0 ? pageSerial : serial;
        const size_t segments = static_cast<unsigned char>(pages[at + 26]);
        size_t body = at + 27 + segments;
        for (size_t segment = 0; segment < segments && at + 27 + segment < pages.size(); ++segment) {
            const size_t size = static_cast<unsigned char>(pages[at + 27 + segment]);
            if (pageSerial == serial && packets == 1)
                packet += pages.substr(std::min(body, pages.size()), size);
            body += size;
            if (pageSerial == serial && size < 255 && ++packets == 2)
                return packet;
        }
        at = body;
    }
    return packet;
}

}  // namespace

void readOggTags(std::string_view head, Tags& tags)
{
    const std::string packet = secondPacket(head);
    if (packet.starts_with("\x03vorbis"))
        readVorbisComment(std::string_view(packet).substr(7), tags);
    else if (packet.starts_with("OpusTags"))
        readVorbisComment(std::string_view(packet).substr(8), tags);
}
