// Reading a WAV file's format and length from its header.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "failure.h"

// Little-endian integers of 2 and 4 bytes; every byte counts as unsigned.
int Assem2(const char* bytes);
uint32_t Assem4(const char* bytes);

// Chunk ids are looked for at even offsets from 2 up to this one.
constexpr size_t lastTagOffset = 15000;
// Enough for every field that follows a chunk id at lastTagOffset.
constexpr size_t headerBytes = lastTagOffset + 24;
// A chunk header and the format fields that follow it.
constexpr size_t chunkHeaderBytes = 24;
// Enough for any real file's metadata, few enough to bound a broken one.
constexpr int maxChunks = 1000;

enum class WavStatus { ok, noFormat, noData, unsupported };

struct WavInfo {
    WavStatus status = WavStatus::ok;
    int formatCode = 0;  // 1 for PCM
    int channels = 0;
    int bitsPerSample = 0;
    int64_t sampleRate = 0;
    int64_t sampleFrames = 0;  // sample frames: one sample for every channel
    uint32_t dataSize = 0;     // as the data chunk declares it
    uint64_t dataStart = 0;    // the offset of the first audio byte
};

// What the reader found in the file of a WAV line.
struct WavFile {
    WavInfo info;
    int64_t dataBytesPresent = 0;  // no more than the data chunk declares
    uint64_t device = 0;           // the file's identity, so that it is never overwritten
    uint64_t inode = 0;
};

// Reads up to chunkHeaderBytes of the file from offset on; fewer at its end.
using ReadAt = std::function<std::string_view(uint64_t offset)>;

// Parses a WAV file from its first bytes (head, at most headerBytes of them)
// and its size. The file is read by its chunks; readAt is called only for a
// chunk header beyond head. A file whose chunks cannot be walked is searched
// for the ids "fmt" and "data" at even offsets instead, which finds headers
// that some writers get wrong.
WavInfo parseWavFile(std::string_view head, uint64_t fileSize, const ReadAt& readAt);

// Measures the WAV file wavName into file, or says why it cannot be used.
std::optional<Failure> GET_ATTRIBUTES(const char* wavName, WavFile& file);
