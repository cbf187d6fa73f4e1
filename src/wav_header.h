// Reading a WAV file's format and length from its header: a parse over its
// bytes, and GET_ATTRIBUTES, which opens the file and measures it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Little-endian integers of 2 and 4 bytes; every byte counts as unsigned.
int Assem2(const char* bytes);
uint32_t Assem4(const char* bytes);

// RIFF files hold their numbers little-endian, RIFX files big-endian.
enum class ByteOrder : unsigned char { little, big };

// The bytes (the first 8 at most) as an unsigned number in the given order.
uint64_t assemble(std::string_view bytes, ByteOrder order);

// A chunk's id and the size of its body, from its first 8 bytes.
struct ChunkHeader {
    std::string_view id;
    uint32_t size;
};
ChunkHeader readChunkHeader(std::string_view bytes, ByteOrder order);

// Chunk ids are looked for at even offsets from 2 up to this one.
constexpr size_t lastTagOffset = 15000;
// Enough for every field that follows a chunk id at lastTagOffset.
constexpr size_t headerBytes = lastTagOffset + 24;
// A chunk header and the format fields that follow it.
constexpr size_t chunkHeaderBytes = 24;
// cdrdao walks any number of chunks; no writer puts this many before the
// audio, and a hostile file is walked no further.
constexpr int maxChunks = 100000;

enum class WavStatus { ok, noFormat, noData, unsupported };

// How the file holds its chunks, where a burner cares.
enum class WavLayout : unsigned char {
    riff,              // RIFF, with the format chunk before the audio
    dataBeforeFormat,  // RIFF, the audio first
    rf64,              // RF64 or BW64, its sizes in a ds64 chunk
    scanned,           // chunks that could not be walked; found by the search for ids
    rifx,              // big-endian RIFF
};

// Where the length came from.
enum class DataLength : unsigned char {
    declared,  // the data chunk's size
    streamed,  // a placeholder size from a writer that could not seek back: to the end of the file
    zero,      // a size of 0 with audio after it: to the end of the file, less a tag chunk there
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
    // A streamed file's tag chunk after its audio, which a burner reads as
    // audio too: counted in dataSize of CD audio.
    uint64_t trailingTagBytes = 0;
    WavLayout layout = WavLayout::riff;
    DataLength length = DataLength::declared;
    bool chunkLimitReached = false;  // the walk gave up after maxChunks chunks
};

// The order of the numbers of a file laid out so.
ByteOrder byteOrderOf(WavLayout layout);

// A name for a format code, such as "IMA ADPCM (code 0x11)".
std::string formatName(int formatCode);

// Whether the format code is one of a compressed format, whose samples have
// no fixed size: neither PCM nor floating point, plain or extensible, nor 0,
// which names no format.
bool isCompressed(int formatCode);

// Whether the file holds what a CD plays: 44100 Hz, 16-bit, stereo PCM.
bool isCdAudio(const WavInfo& info);

// The bytes read at once beyond the head: chunk headers come a block at a
// time, and the end of a streamed file in one.
constexpr size_t blockBytes = 16384;

// Reads up to size bytes (at most blockBytes) of the file from offset on;
// fewer at its end.
using ReadAt = std::function<std::string_view(uint64_t offset, size_t size)>;

// Tag chunks are read up to this many bytes: a title after a large picture
// is found, and a hostile size costs no more.
constexpr uint64_t longestTagChunk = uint64_t{16} << 20;

// Called with each tag chunk (LIST, "ID3 ", "id3 ") of a walked file, before
// and after its audio: its header and as much of its body as was read.
using TagChunkReader = std::function<void(const ChunkHeader& header, std::string_view body, ByteOrder order)>;

// Parses a WAV file from its first bytes (head, at most headerBytes of them)
// and its size. The file is read by its chunks; readAt is called only for
// chunk headers beyond head, a block at a time, and for the end of a
// streamed file. A file whose chunks cannot be walked is searched for the ids
// "fmt" and "data" at even offsets instead, which finds headers that some
// writers get wrong. A streamed file that is not CD audio has the tag chunk
// after its audio left out of its length, as a conversion leaves it out.
// With tagChunks, the tag chunks of a walked file are read too, which costs
// a read only for chunks beyond head and the end of the audio.
WavInfo parseWavFile(std::string_view head, uint64_t fileSize, const ReadAt& readAt,
                     const TagChunkReader& tagChunks = {});

// Whether samples, 16-bit little-endian, are all within ±32 (-60 dBFS):
// silence, or the dither a fade-out ends in.
bool isSilent(std::string_view samples);

// How the audio of a file ends, where that matters: CD audio that does not
// fill whole sectors, which the burner pads with silence.
enum class Ending : unsigned char {
    unread,  // not looked at
    silent,  // its last 588 sample frames are silence or dither
    music,   // sound runs to its last sector
};

// What the reader found in the file of a WAV line.
struct WavFile {
    WavInfo info;
    int64_t dataBytesPresent = 0;  // no more than the data chunk declares
    uint64_t device = 0;  // the file's identity, so that it is never overwritten
    uint64_t inode = 0;
    // What the file's first bytes say it is, when it is no WAV file; empty
    // when they say nothing, or the file is empty (emptyFile).
    std::string_view kind = {};
    int error = 0;        // the errno value when it could not be read; 0 for a device or a FIFO
    int conversion = -1;  // its entry in TrackTable::conversions, when --convert makes CD audio of it
    Ending ending = Ending::unread;
    bool read = true;  // whether the file could be opened and read as a regular file
    bool emptyFile = false;
};

// What the reader reads beyond the header, when asked.
struct WavWanted {
    bool ending = false;         // how CD audio in part sectors ends: one more read
    TagChunkReader tagChunks;    // the tag chunks, for CD-TEXT
};

// Measures the WAV file wavName into file; false when it cannot be used,
// with file.read, file.error or file.info.status saying why.
bool GET_ATTRIBUTES(const char* wavName, WavFile& file, const WavWanted& wanted);
