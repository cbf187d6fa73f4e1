// What a FLAC file's header says: its stream's format and length, from the
// STREAMINFO block, and where its tags are, without decoding a sample.
#pragma once

#include <cstdint>
#include <string_view>

#include "wav_header.h"

struct FlacStream {
    int64_t sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int64_t sampleFrames = 0;  // 0 when the encoder did not know it
    uint64_t commentOffset = 0;  // where the VORBIS_COMMENT block's body is; 0 when there is none
    uint32_t commentBytes = 0;
};

// Parses "fLaC" (after an ID3v2 tag that some taggers put first), then the
// metadata blocks: the first must be STREAMINFO, and the VORBIS_COMMENT block
// is looked for among the others, whose headers beyond head are read through
// readAt. Returns false when the file is no FLAC stream.
bool parseFlacHeader(std::string_view head, uint64_t fileSize, const ReadAt& readAt, FlacStream& stream);
