// Reading a WAV file's sample rate and length from its header.
#pragma once

#include <cstdint>
#include <string_view>

// Little-endian integers of 2 and 4 bytes; every byte counts as unsigned.
int Assem2(const char* bytes);
uint32_t Assem4(const char* bytes);

// Chunk ids are looked for at even offsets from 2 up to this one.
constexpr size_t lastTagOffset = 15000;
// Enough for every field that follows a chunk id at lastTagOffset.
constexpr size_t headerBytes = lastTagOffset + 24;

enum class WavStatus { ok, noFormat, noData, unsupported };

struct WavInfo {
    WavStatus status = WavStatus::ok;
    int64_t sampleRate = 0;
    int64_t sampleFrames = 0;  // sample frames: one sample for every channel
};

// Parses the first bytes of a WAV file (at most headerBytes are looked at).
// Tags are found by scanning, not by walking the chunks, so that headers with
// sizes that other tools write wrongly are still read.
WavInfo parseWavHeader(std::string_view header);

// Measures the WAV file wavName into slot row of the two columns. On failure
// prints the message for it and returns false.
bool GET_ATTRIBUTES(int row, const char* wavName, int64_t* rateColumn, int64_t* frameColumn);
