// The names a WAV file's tags give it: the LIST/INFO chunk that ffmpeg,
// GStreamer and libsndfile write, and the ID3 chunk of taggers such as kid3.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "wav_header.h"

// Texts in UTF-8; empty where the tags give none.
struct Tags {
    std::string title;
    std::string artist;
    std::string album;
    std::string albumArtist;
    std::string software = {};  // the writer of the file, where it says
    uint64_t unreadBytes = 0;  // of tag chunks too large to be read whole
};

// Fills the empty fields of tags from the body of a chunk: a LIST chunk of
// form INFO (INAM, IART, IPRD; UTF-8 where it is valid, else Latin-1), its
// sizes in the file's byte order, or an "ID3 " or "id3 " chunk holding an
// ID3v2.3 or v2.4 tag (TIT2, TPE1, TALB, TPE2 in any of their encodings). A
// body cut short gives what it holds.
void readTagChunk(std::string_view id, std::string_view body, ByteOrder order, Tags& tags);

// Fills the empty fields of tags from a Vorbis comment, as FLAC, Ogg Vorbis
// and Opus files hold their tags: TITLE, ARTIST, ALBUM and ALBUMARTIST (or
// ALBUM ARTIST), in any case, in UTF-8. A comment cut short gives what it holds.
void readVorbisComment(std::string_view body, Tags& tags);

// A reader of a WAV file's tag chunks into tags, as the WAV reader passes
// them, counting the bytes of chunks too large to be read whole.
TagChunkReader tagReader(Tags& tags);

// The bytes of the ID3v2 tag that a file starts with, its footer included;
// 0 for none.
uint64_t id3TagBytes(std::string_view head);
