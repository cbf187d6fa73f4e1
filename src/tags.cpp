#include "tags.h"

#include <cstdint>

#include "text_encoding.h"

namespace {

// text up to the NUL that ends it, without the blanks writers leave around it.
std::string_view trimmed(std::string_view text)
{
    return trimBlanks(text.substr(0, text.find('\0')));
}

// The fields that tags give, by the ids of INFO and of ID3 and the keys of
// Vorbis comments (FLAC, Ogg). INFO has no album artist: trelvask writes and
// reads it as IAAR. ISFT, the software that wrote a file, marks a
// conversion.
struct TagField {
    std::string_view infoId;
    std::string_view id3Id;
    std::string_view vorbisKey;
    std::string Tags::*field;
};

constexpr TagField tagFields[] = {
    {"INAM", "TIT2", "TITLE", &Tags::title},
    {"IART", "TPE1", "ARTIST", &Tags::artist},
    {"IPRD", "TALB", "ALBUM", &Tags::album},
    {"IAAR", "TPE2", "ALBUMARTIST", &Tags::albumArtist},
    {"ISFT", "", "", &Tags::software},
};

// Fills the field that id names, in the ids idOf picks, when it is still
// empty.
template <typename MakeText>
void fill(Tags& tags, std::string_view id, std::string_view TagField::*idOf, MakeText makeText)
{
    for (const TagField& known : tagFields)
        if (!id.empty() && id == known.*idOf && (tags.*known.field).empty())
            tags.*known.field = makeText();
}

// INFO texts are UTF-8 from ffmpeg and GStreamer; older writers used Latin-1.
std::string infoText(std::string_view bytes)
{
    bytes = trimmed(bytes);
    return isUtf8(bytes) ? std::string(bytes) : latin1ToUtf8(bytes);
}

// The sub-chunks of a LIST chunk of form INFO: chunks of an id, a size and
// the text, padded to an even length.
void readInfo(std::string_view body, ByteOrder order, Tags& tags)
{
    if (!body.starts_with("INFO"))
        return;
    for (size_t at = 4; at + 8 <= body.size();) {
        const ChunkHeader chunk = readChunkHeader(body.substr(at), order);
        const std::string_view text = body.substr(at + 8, chunk.size);
        fill(tags, chunk.id, &TagField::infoId, [text] { return infoText(text); });
        if (chunk.size > body.size())
            break;
        at += 8 + chunk.size + (chunk.size & 1);
    }
}

// ID3 numbers are big-endian; sizes in version 2.4 syncsafe, seven bits a byte.
uint32_t bigEndian32(std::string_view bytes, bool syncsafe)
{
    if (!syncsafe)
        return static_cast<uint32_t>(assemble(bytes.substr(0, 4), ByteOrder::big));
    uint32_t value = 0;
    for (size_t at = 0; at < 4; ++at)
        value = value << 7 | (byteAt(bytes, at) & 0x7F);
    return value;
}

// Unsynchronisation put a 0 after every 0xFF byte; this takes it out.
std::string resynchronised(std::string_view bytes)
{
    std::string plain;
    plain.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size(); ++at) {
        plain += bytes[at];
        if (bytes[at] == '\xFF' && at + 1 < bytes.size() && bytes[at + 1] == '\0')
            ++at;
    }
    return plain;
}

// A text frame's first text: its encoding byte (0 Latin-1, 1 UTF-16 with a
// byte-order mark, 2 UTF-16BE, 3 UTF-8), then the text, which may hold more
// than one, each ended by a NUL.
std::string frameText(std::string_view frame)
{
    if (frame.empty())
        return "";
    const char encoding = frame[0];
    std::string_view text = frame.substr(1);
    if (encoding == 1 || encoding == 2) {
        bool bigEndian = encoding == 2;
        if (encoding == 1 && (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))) {
            bigEndian = text[0] == '\xFE';
            text.remove_prefix(2);
        }
        size_t end = 0;
        while (end + 1 < text.size() && (text[end] != '\0' || text[end + 1] != '\0'))
            end += 2;
        const std::optional<std::string> decoded = utf16ToUtf8(text.substr(0, end), bigEndian);
        return decoded ? std::string(trimmed(*decoded)) : "";
    }
    text = trimmed(text);
    return encoding == 3 ? isUtf8(text) ? std::string(text) : "" : latin1ToUtf8(text);
}

// An ID3v2.3 or v2.4 tag: a header, an extended header perhaps, then frames
// of an id, a size and two flag bytes. Version 2.4 gives sizes syncsafe, and
// may unsynchronise or prefix a frame's data, which is skipped then.
void readId3(std::string_view body, Tags& tags)
{
    if (body.size() < 10 || !body.starts_with("ID3") || (body[3] != 3 && body[3] != 4))
        return;
    const bool v4 = body[3] == 4;
    const auto flags = static_cast<unsigned char>(body[5]);
    std::string tag(body.substr(10, bigEndian32(body.substr(6, 4), true)));
    if (flags & 0x80 && !v4)
        tag = resynchronised(tag);
    size_t at = 0;
    if (flags & 0x40 && tag.size() >= 4)
        at = v4 ? bigEndian32(tag, true) : 4 + bigEndian32(tag, false);
    while (at + 10 <= tag.size() && tag[at] != '\0') {
        const std::string_view id = std::string_view(tag).substr(at, 4);
        const uint32_t size = bigEndian32(std::string_view(tag).substr(at + 4, 4), v4);
        const auto frameFlags = static_cast<unsigned char>(tag[at + 9]);
        std::string frame = tag.substr(at + 10, size);
        // Compressed or encrypted frames are left unread; a group byte comes first.
        if (v4 ? frameFlags & 0x0C : frameFlags & 0xC0)
            frame.clear();
        if (v4 && frameFlags & 0x02)
            frame = resynchronised(frame);
        if (v4 ? frameFlags & 0x40 : frameFlags & 0x20)
            frame.erase(0, std::min<size_t>(1, frame.size()));
        if (v4 && frameFlags & 0x01)
            frame.erase(0, std::min<size_t>(4, frame.size()));
        fill(tags, id, &TagField::id3Id, [&frame] { return frameText(frame); });
        if (size > tag.size())
            break;
        at += 10 + size;
    }
}

// A Vorbis comment's key, as its fields name it: in upper case, without the
// blanks and underscores that some writers put in ALBUM ARTIST.
std::string vorbisKey(std::string_view key)
{
    std::string upper;
    for (const char c : key)
        if (c != ' ' && c != '_')
            upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return upper;
}

}  // namespace

void readVorbisComment(std::string_view body, Tags& tags)
{
    // A vendor string, a count, then that many "KEY=value" strings, each after
    // its length, all little-endian.
    const auto lengthAt = [body](size_t at) {
        return at + 4 <= body.size() ? static_cast<size_t>(assemble(body.substr(at, 4), ByteOrder::little)) : 0;
    };
    size_t at = 4 + lengthAt(0);
    const size_t count = lengthAt(at);
    at += 4;
    for (size_t comment = 0; comment < count && at + 4 <= body.size(); ++comment) {
        const size_t length = lengthAt(at);
        const std::string_view text = body.substr(at + 4, length);
        const size_t equals = text.find('=');
        if (equals != std::string_view::npos) {
            const std::string_view value = trimBlanks(text.substr(equals + 1));
            fill(tags, vorbisKey(text.substr(0, equals)), &TagField::vorbisKey,
                 [value] { return isUtf8(value) ? std::string(value) : latin1ToUtf8(value); });
        }
        if (length > body.size())
            break;  // cut short
        at += 4 + length;
    }
}

void readTagChunk(std::string_view id, std::string_view body, ByteOrder order, Tags& tags)
{
    if (id == "LIST")
        readInfo(body, order, tags);
    else if (id == "ID3 " || id == "id3 ")
        readId3(body, tags);
}

TagChunkReader tagReader(Tags& tags)
{
    return [&tags](const ChunkHeader& chunk, std::string_view body, ByteOrder order) {
        readTagChunk(chunk.id, body, order, tags);
        if (chunk.size > longestTagChunk)
            tags.unreadBytes += chunk.size - longestTagChunk;
    };
}

uint64_t id3TagBytes(std::string_view head)
{
    if (head.size() < 10 || !head.starts_with("ID3"))
        return 0;
    const bool footer = (static_cast<unsigned char>(head[5]) & 0x10) != 0;
    return 10 + uint64_t{bigEndian32(head.substr(6, 4), true)} + (footer ? 10 : 0);
}
