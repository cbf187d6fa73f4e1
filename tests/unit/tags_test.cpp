#include "tags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ogg_tags.h"
#include "wav_header.h"

namespace {

std::string le32(uint32_t value)
{
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

std::string be32(uint32_t value, bool syncsafe)
{
    const int shift = syncsafe ? 7 : 8;
    std::string bytes;
    for (int at = 3; at >= 0; --at)
        bytes += static_cast<char>(value >> (shift * at) & (syncsafe ? 0x7F : 0xFF));
    return bytes;
}

std::string chunk(const std::string& id, const std::string& body)
{
    return id + le32(static_cast<uint32_t>(body.size())) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

std::string info(const std::string& entries)
{
    return chunk("LIST", "INFO" + entries);
}

// An ID3v2 tag of version 3 or 4 around frames; flags 0x80 unsynchronises it.
std::string id3(int version, const std::string& frames, char flags = 0)
{
    return chunk("id3 ", "ID3" + std::string{static_cast<char>(version), 0, flags} +
                              be32(static_cast<uint32_t>(frames.size()), true) + frames);
}

std::string frame(int version, const std::string& id, const std::string& body, char flags = 0)
{
    return id + be32(static_cast<uint32_t>(body.size()), version == 4) + std::string{0, flags} + body;
}

// A text frame's body in Latin-1, encoding 0.
std::string latin1(const std::string& text)
{
    return std::string(1, '\0') + text;
}

// What a chunk's body gives: "title|artist|album|album artist".
std::string readTags(const std::string& chunk)
{
    Tags tags;
    readTagChunk(chunk.substr(0, 4), std::string_view(chunk).substr(8, Assem4(chunk.data() + 4)), ByteOrder::little,
                 tags);
    return tags.title + '|' + tags.artist + '|' + tags.album + '|' + tags.albumArtist;
}

TEST(Tags, ReadsInfoAndId3)
{
    const std::string utf16 = std::string("\x01\xFF\xFE", 3) + std::string("N\0i\0g\0h\0t\0\0\0", 12);
    const std::pair<std::string, std::string> cases[] = {
        // ffmpeg: UTF-8, each text ended by a NUL, odd sizes padded.
        {info(chunk("INAM", std::string("Caf\xC3\xA9\0", 6)) + chunk("IART", std::string("Bj\xC3\xB6rk\0", 7)) +
              chunk("IPRD", std::string("Album\0", 6)) + chunk("ISFT", "Lavf")),
         "Caf\xC3\xA9|Bj\xC3\xB6rk|Album|"},
        {info(chunk("INAM", "Caf\xE9  ")), "Caf\xC3\xA9|||"},  // Latin-1, blanks after
        {info(chunk("INAM", "Night")).substr(0, 23), "Nig|||"},  // cut off
        {chunk("LIST", "adtlINAM"), "|||"},                      // not INFO
        {id3(3, frame(3, "TIT2", utf16) + frame(3, "TPE1", latin1("Bj\xF6rk")) + frame(3, "TPE2", latin1("VA"))),
         "Night|Bj\xC3\xB6rk||VA"},
        {id3(4, frame(4, "TIT2", "\x03" "Caf\xC3\xA9\0Other") + frame(4, "TALB", std::string("\x02\0A\0l", 5))),
         "Caf\xC3\xA9||Al|"},
        // Unsynchronised: every 0xFF followed by a 0.
        {id3(3, frame(3, "TIT2", std::string("\x01\xFF\x00\xFE" "A\0", 6)), '\x80'), "A|||"},
        {id3(4, frame(4, "TIT2", std::string("\x01\xFF\x00\xFE" "A\0", 6), 0x02)), "A|||"},
        {id3(4, frame(4, "TIT2", std::string(4, '\0') + "\x03" "Dub", 0x01)), "Dub|||"},  // data length first
        {id3(3, frame(3, "TIT2", latin1("Hidden"), static_cast<char>(0x80))), "|||"},                    // compressed
        {id3(3, frame(3, "TIT2", latin1("Cut off"))).substr(0, 32), "Cut|||"},
        {id3(3, frame(3, "TIT2", "\x01\xFF\xFE" "A")), "|||"},  // an odd UTF-16 text
        {id3(2, frame(3, "TIT2", latin1("Old"))), "|||"},         // ID3v2.2 is not read
    };
    for (const auto& [chunk, tags] : cases)
        EXPECT_EQ(readTags(chunk), tags) << tags;
}

// A Vorbis comment, as FLAC and Ogg files hold their tags: a vendor, then
// "KEY=value" strings, each after its length.
std::string vorbisComment(const std::vector<std::string>& comments)
{
    std::string body = le32(6) + "vendor" + le32(static_cast<uint32_t>(comments.size()));
    for (const std::string& comment : comments)
        body += le32(static_cast<uint32_t>(comment.size())) + comment;
    return body;
}

// Ogg pages of one stream, each packet in segments of 255 bytes and one
// shorter; a page holds at most pageBytes of them.
std::string oggPages(const std::vector<std::string>& packets, size_t pageBytes = 100000)
{
    std::string segments, data, pages;
    const auto flush = [&] {
        pages += "OggS" + std::string(1, '\0') + std::string(1, '\0') + std::string(8, '\0') + "serl" + le32(0) +
                 le32(0) + static_cast<char>(segments.size()) + segments + data;
        segments.clear();
        data.clear();
    };
    for (const std::string& packet : packets)
        for (size_t at = 0; at <= packet.size(); at += 255) {
            const size_t size = std::min<size_t>(255, packet.size() - at);
            if (data.size() + size > pageBytes || segments.size() == 255)
                flush();
            segments += static_cast<char>(size);
            data += packet.substr(at, size);
            if (size < 255)
                break;
        }
    flush();
    return pages;
}

// The tags of FLAC and Ogg files, in their Vorbis comments.
TEST(Tags, ReadsVorbisComments)
{
    const std::string comment = vorbisComment({"title=Night", "ARTIST=Band", "Album=Live", "ALBUM ARTIST=Various",
                                               "genre=Rock"});
    const std::string longTitle = "TITLE=" + std::string(600, 't');
    const struct {
        const char* name;
        std::string bytes;
        bool ogg;
        std::string tags;  // "title|artist|album|album artist"
    } cases[] = {
        {"Flac", comment, false, "Night|Band|Live|Various"},
        {"CutShort", comment.substr(0, 42), false, "Night|Ba||"},
        {"AlbumArtistSpelledOtherwise", vorbisComment({"ALBUM_ARTIST=VA", "albumartist=Other"}), false, "|||VA"},
        {"OggVorbis", oggPages({"\x01vorbis" + std::string(23, 'i'), "\x03vorbis" + comment + "\x01", "setup"}),
         true, "Night|Band|Live|Various"},
        {"Opus", oggPages({"OpusHead" + std::string(11, 'h'), "OpusTags" + comment}), true, "Night|Band|Live|Various"},
        // A comment that runs over two pages, in segments of 255 bytes.
        {"AcrossPages", oggPages({"OpusHead", "OpusTags" + vorbisComment({longTitle, "ARTIST=Band"})}, 300), true,
         std::string(600, 't') + "|Band||"},
    };
    for (const auto& testCase : cases) {
        Tags tags;
        if (testCase.ogg)
            readOggTags(testCase.bytes, tags);
        else
            readVorbisComment(testCase.bytes, tags);
        EXPECT_EQ(tags.title + '|' + tags.artist + '|' + tags.album + '|' + tags.albumArtist, testCase.tags)
            << testCase.name;
    }
}

std::string wav(const std::string& before, uint32_t dataSize, const std::string& after)
{
    const std::string format = chunk("fmt ", std::string("\x01\x00\x02\x00", 4) + le32(44100) + le32(176400) +
                                                 std::string("\x04\x00\x10\x00", 4));
    const std::string body = "WAVE" + format + before + "data" + le32(dataSize) + std::string(400, 'a') + after;
    return "RIFF" + le32(static_cast<uint32_t>(body.size())) + body;
}

// The same as a big-endian RIFX file: every size, the INFO entries' too.
std::string rifx(const std::string& title)
{
    const std::string format = "fmt " + be32(16, false) + std::string("\0\x01\0\x02", 4) + be32(44100, false) +
                               be32(176400, false) + std::string("\0\x04\0\x10", 4);
    const std::string entry = "INAM" + be32(static_cast<uint32_t>(title.size()), false) + title;
    const std::string list = "LIST" + be32(static_cast<uint32_t>(entry.size() + 4), false) + "INFO" + entry;
    const std::string body = "WAVE" + format + list + "data" + be32(400, false) + std::string(400, 'a');
    return "RIFX" + be32(static_cast<uint32_t>(body.size()), false) + body;
}

// The tags of a WAV file, before or after its audio, and what they cost.
TEST(Tags, ReadsAWavFilesTags)
{
    const std::string title = info(chunk("INAM", std::string("Night\0", 6)));
    const std::string picture = frame(3, "APIC", std::string(40000, 'p'));
    std::string tenChunks;
    for (int at = 0; at < 10; ++at)
        tenChunks += chunk("JUNK", "jj");
    const struct {
        const char* name;
        std::string file;
        std::string title;
        int reads;
    } cases[] = {
        {"InfoBeforeTheAudio", wav(title, 400, ""), "Night", 0},
        {"InfoAfterTheAudio", wav("", 400, title + chunk("JUNK", std::string(40000, 'j'))), "Night", 1},
        // The end of a streamed file is read once, for its length and its tags.
        {"StreamedWithTagsAfter", wav("", 0x7FFF0000, title), "Night", 1},
        // A tag chunk is read whole, a picture in it too, wherever it is after the audio.
        {"Id3AfterTheAudio", wav("", 400, id3(3, frame(3, "TIT2", latin1("Dawn")) + picture)), "Dawn", 4},
        {"TitleAfterAPicture", wav("", 400, id3(3, picture + frame(3, "TIT2", latin1("Dawn")))), "Dawn", 4},
        {"TitleFarIntoTheList", wav(info(chunk("ICMT", std::string(20000, 'c')) + chunk("INAM", "Far")), 400, ""),
         "Far", 3},
        {"TenChunksAfterTheAudio", wav("", 400, tenChunks + title), "Night", 1},
        {"RifxTagsAreBigEndian", rifx(std::string("Night\0", 6)), "Night", 0},
        {"None", wav("", 400, ""), "", 0},
    };
    for (const auto& testCase : cases) {
        const std::string& file = testCase.file;
        int reads = 0;
        Tags tags;
        // The head ends with the audio, so that what follows it costs reads.
        const std::string_view head = std::string_view(file).substr(0, 44 + 400);
        const ReadAt readAt = [&](uint64_t offset, size_t size) {
            ++reads;
            return offset < file.size() ? std::string_view(file).substr(offset, size) : std::string_view();
        };
        parseWavFile(head, file.size(), readAt, tagReader(tags));
        EXPECT_EQ(tags.title, testCase.title) << testCase.name;
        EXPECT_EQ(reads, testCase.reads) << testCase.name;
    }
}

}  // namespace
