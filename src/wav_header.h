// Reading a WAV file's format and length from its header.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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

// How the file holds its chunks, where a burner cares.
enum class WavLayout : unsigned char {
    riff,              // RIFF, with the format chunk before the audio
    dataBeforeFormat,  // RIFF, the audio first
    rf64,              // RF64 or BW64, its sizes in a ds64 chunk
    scanned,           // chunks that could not be walked; found by the search for ids
    rifx,              // big-endian RIFF, read by the search as if it were little-endian
};

// Where the length came from.
enum class DataLength : unsigned char {
    declared,  // the data chunk's size
    streamed,  // a placeholder size from a writer that could not seek back: to the end of the file
    zero,      // a size of 0 with audio after it: to the end of the file
};

struct WavInfo {
    WavStatus status = WavStatus::ok;
    int formatCode = 0;  // 1 for PCM
    int channels = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    int frameBytes = 0;  // the bytes of one sample frame, as the length is counted
    int64_t sampleRate = 0;
    int64_t sampleFrames = 0;  // sample frames: one sample for every channel
    uint64_t dataSize = 0;     // the audio's bytes: as declared, or to the end of a streamed file
    uint64_t dataStart = 0;    // the offset of the first audio byte
    WavLayout layout = WavLayout::riff;
    DataLength length = DataLength::declared;
    bool chunkLimitReached = false;  // the walk gave up after maxChunks chunks
};

// A name for a format code, such as "IMA ADPCM (code 0x11)".
std::string formatName(int formatCode);

// Whether the format code is one of a compressed format, whose samples have
// no fixed size: neither PCM nor floating point, plain or extensible, nor 0,
// which names no format.
bool isCompressed(int formatCode);

// What the reader found in the file of a WAV line.
struct WavFile {
    WavInfo info;
    int64_t dataBytesPresent = 0;  // no more than the data chunk declares
    uint64_t device = 0;           // the file's identity, so that it is never overwritten
    uint64_t inode = 0;
};

// The most a streamed file's end is read for a chunk after its audio.
constexpr size_t tailBytes = 4096;

// Reads up to size bytes (chunkHeaderBytes or tailBytes) of the file from
// offset on; fewer at its end.
using ReadAt = std::function<std::string_view(uint64_t offset, size_t size)>;

// Parses a WAV file from its first bytes (head, at most headerBytes of them)
// and its size. The file is read by its chunks; readAt is called only for a
// chunk header beyond head, and for the end of a streamed file. A file whose
// chunks cannot be walked is searched for the ids "fmt" and "data" at even
// offsets instead, which finds headers that some writers get wrong.
WavInfo parseWavFile(std::string_view head, uint64_t fileSize, const ReadAt& readAt);

// Measures the WAV file wavName into file, or says why it cannot be used.
std::optional<Failure> GET_ATTRIBUTES(const char* wavName, WavFile& file);
