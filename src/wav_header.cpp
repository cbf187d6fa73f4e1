#include "wav_header.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include <unistd.h>

#include "file_kind.h"
#include "text_encoding.h"
#include "wav_file.h"

namespace {

constexpr size_t notFound = std::string_view::npos;

size_t findTag(std::string_view header, std::string_view tag)
{
    // Only tags that start at lastTagOffset or before count.
    const std::string_view scanned = header.substr(0, lastTagOffset + tag.size());
    for (size_t offset = scanned.find(tag, 2); offset != notFound; offset = scanned.find(tag, offset + 1))
        if (offset % 2 == 0)
            return offset;
    return notFound;
}

// The fields of a format chunk whose header starts bytes.
void readFormat(std::string_view bytes, WavInfo& info)
{
    const ByteOrder order = byteOrderOf(info.layout);
    info.formatCode = static_cast<int>(assemble(bytes.substr(8, 2), order));
    info.channels = static_cast<int>(assemble(bytes.substr(10, 2), order));
    info.sampleRate = static_cast<int64_t>(assemble(bytes.substr(12, 4), order));
    info.blockAlign = static_cast<int>(assemble(bytes.substr(20, 2), order));
    info.bitsPerSample = static_cast<int>(assemble(bytes.substr(22, 2), order));
}

// The bytes of a sample frame: the block align where it is channels times a
// container that holds the bits, as 20-bit samples in 3 bytes or 24 in 4;
// otherwise, and for a header found by the search, the bits shifted right
// by 3.
int frameBytes(const WavInfo& info, bool walked)
{
    const int container = info.blockAlign % info.channels == 0 ? info.blockAlign / info.channels : 0;
    if (walked && container * 8 >= info.bitsPerSample && container * 8 < info.bitsPerSample + 16)
        return info.blockAlign;
    return info.channels * (info.bitsPerSample >> 3);
}

// The length in sample frames, once both chunks are read.
WavInfo measured(WavInfo info, bool walked)
{
    if (info.channels == 0 || (info.bitsPerSample >> 3) == 0 || info.sampleRate == 0)
        return {.status = WavStatus::unsupported, .formatCode = info.formatCode};
    info.frameBytes = frameBytes(info, walked);
    info.sampleFrames = static_cast<int64_t>(info.dataSize / static_cast<uint64_t>(info.frameBytes));
    return info;
}

// The search for chunk ids, for files whose chunks cannot be walked. Only the
// three letters of "fmt" count, not the blank after them.
WavInfo scanForTags(std::string_view header)
{
    WavInfo info;
    info.layout = header.starts_with("RIFX") ? WavLayout::rifx : WavLayout::scanned;
    const size_t format = findTag(header, "fmt");
    if (format == notFound || format + 24 > header.size())
        return {WavStatus::noFormat};
    readFormat(header.substr(format), info);

    const size_t data = findTag(header, "data");
    if (data == notFound || data + 8 > header.size())
        return {WavStatus::noData};
    info.dataSize = readChunkHeader(header.substr(data), byteOrderOf(info.layout)).size;
    info.dataStart = data + 8;
    return info;
}

// The file as the parser sees it: the head, and the last block read beyond
// it; and where the walk found the tag chunks before the audio, and where
// the chunks after it start, which only the tags are read for.
struct FileBytes {
    std::string_view head;
    uint64_t size;
    const ReadAt& readAt;
    uint64_t blockStart = 0;
    std::string_view block = {};
    uint64_t tagChunks[4] = {};
    int tagChunkCount = 0;
    uint64_t afterAudio = 0;
};

// count bytes at offset, fewer at the end of the file: from the head or the
// last block when they hold them, else from a new block read there.
std::string_view bytesAt(FileBytes& file, uint64_t offset, size_t count)
{
    if (offset >= file.size)
        return {};
    if (offset + count <= file.head.size() || file.head.size() >= file.size)
        return offset < file.head.size() ? file.head.substr(offset, count) : std::string_view{};
    const uint64_t blockEnd = file.blockStart + file.block.size();
    if (offset < file.blockStart || offset >= blockEnd || (offset + count > blockEnd && blockEnd < file.size)) {
        // No further than the end, which a read would otherwise confirm with one more call.
        file.block = file.readAt(offset, static_cast<size_t>(std::min<uint64_t>(blockBytes, file.size - offset)));
        file.blockStart = offset;
    }
    return file.block.substr(static_cast<size_t>(offset - file.blockStart), count);
}

enum class Walk { found, lost, tooManyChunks };

// What one chunk of the walk tells, at offset with its header; false when the
// walk is lost: a chunk other than the audio runs past the end, or the
// format chunk is too short.
bool takeChunk(const ChunkHeader& chunk, std::string_view bytes, uint64_t offset, FileBytes& file, WavInfo& info,
               bool& haveFormat, bool& haveData)
{
    const uint64_t end = offset + 8 + chunk.size;
    // The data chunk may declare more than the file holds, as a cut-off file
    // or one written through a pipe does; any other chunk may not.
    if (chunk.id == "data" && !haveData) {
        if (chunk.size != 0xFFFFFFFF || info.layout != WavLayout::rf64)
            info.dataSize = chunk.size;  // RF64 gives it in the ds64 chunk
        info.dataStart = offset + 8;
        haveData = true;
        if (!haveFormat && info.layout == WavLayout::riff)
            info.layout = WavLayout::dataBeforeFormat;
    } else if (end > file.size) {
        return false;
    } else if (chunk.id == "fmt " && !haveFormat) {
        if (chunk.size < 16 || bytes.size() < chunkHeaderBytes)
            return false;
        readFormat(bytes, info);
        haveFormat = true;
    } else if (chunk.id == "LIST" || chunk.id == "ID3 " || chunk.id == "id3 ") {
        if (file.tagChunkCount < static_cast<int>(std::size(file.tagChunks)))
            file.tagChunks[file.tagChunkCount++] = offset;
    } else if (chunk.id == "ds64" && chunk.size >= 16 && bytes.size() >= chunkHeaderBytes && !haveData) {
        // No file can hold more than a signed 64-bit offset reaches.
        info.dataSize = std::min<uint64_t>(assemble(bytes.substr(16, 8), ByteOrder::little), INT64_MAX);
    }
    return true;
}

// Walks "RIFF" (or RF64, BW64 or RIFX), a size that many writers get wrong
// and is not read, "WAVE", then chunks of an id, a size and the content,
// padded to an even length, until both the format and the data chunk are
// found. info is left unfinished unless the walk finds both.
Walk walkChunks(FileBytes& file, WavInfo& info)
{
    const std::string_view head = file.head;
    const std::string_view form = head.substr(0, 4);
    if (head.size() < 12 || !startsLikeWav(form) || head.substr(8, 4) != "WAVE")
        return Walk::lost;
    info.layout = form == "RIFF" ? WavLayout::riff : form == "RIFX" ? WavLayout::rifx : WavLayout::rf64;
    bool haveFormat = false;
    bool haveData = false;
    uint64_t offset = 12;
    for (int chunk = 0; chunk < maxChunks; ++chunk) {
        const std::string_view bytes = bytesAt(file, offset, chunkHeaderBytes);
        if (offset + 8 > file.size || bytes.size() < 8)
            return Walk::lost;
        const ChunkHeader header = readChunkHeader(bytes, byteOrderOf(info.layout));
        if (!takeChunk(header, bytes, offset, file, info, haveFormat, haveData))
            return Walk::lost;
        if (haveFormat && haveData)
            return Walk::found;
        const bool sizeInDs64 = header.id == "data" && header.size == 0xFFFFFFFF && info.layout == WavLayout::rf64;
        const uint64_t size = sizeInDs64 ? info.dataSize : header.size;
        offset += 8 + size + (size & 1);
    }
    return Walk::tooManyChunks;
}

// Chunks that writers append after the audio, when they cannot seek back to
// put them first.
bool isTrailingChunkId(std::string_view id)
{
    for (const std::string_view known : {"LIST", "id3 ", "ID3 ", "JUNK", "bext", "cue ", "iXML", "_PMX"})
        if (id == known)
            return true;
    return false;
}

// The bytes of a known chunk that the tail of a file ends with exactly, or 0.
// The first such chunk is the outermost.
uint64_t trailingChunkBytes(std::string_view tail, ByteOrder order)
{
    for (size_t at = 0; at + 8 <= tail.size(); ++at) {
        const ChunkHeader chunk = readChunkHeader(tail.substr(at), order);
        if (isTrailingChunkId(chunk.id) && (at + 8 + chunk.size == tail.size() || at + 9 + chunk.size == tail.size()))
            return tail.size() - at;
    }
    return 0;
}

// A writer that cannot seek back leaves a placeholder for the data size: a
// huge one (ffmpeg 0xFFFFFFFF, lame and opusdec 0x7FFFFFFF, sox and mpv
// 0x7FFFF000, GStreamer 0x7FFF0000), or 0 (mpg123 and faad). No CD file
// declares three hours and ends early, so such a file's audio runs to its
// end, as a burner reads it: a tag chunk appended after it included, which
// is noted. A size of 0 makes a burner find no audio; what it was meant to
// hold ends before such a chunk.
void measureStreamed(FileBytes& file, WavInfo& info)
{
    file.afterAudio = info.dataStart + info.dataSize + (info.dataSize & 1);
    const uint64_t held = file.size - std::min(file.size, info.dataStart);
    const bool placeholder = info.dataSize >= 0x7FFF0000 && info.dataSize > held;
    if (!placeholder && !(info.dataSize == 0 && held > 0))
        return;
    const size_t tail = static_cast<size_t>(std::min<uint64_t>(held, blockBytes));
    const uint64_t tag = trailingChunkBytes(bytesAt(file, file.size - tail, tail), byteOrderOf(info.layout));
    file.afterAudio = file.size - tag;
    if (placeholder) {
        info.length = DataLength::streamed;
        info.dataSize = held;
        info.trailingTagBytes = tag;
    } else if (held > tag) {
        info.length = DataLength::zero;
        info.dataSize = held - tag;
    }
}

// A conversion leaves a streamed file's trailing tag out of the audio; only
// CD audio, burned as it is, keeps it.
void leaveOutTagOfConverted(WavInfo& info)
{
    if (info.trailingTagBytes > 0 && !isCdAudio(info)) {
        info.dataSize -= info.trailingTagBytes;
        info.trailingTagBytes = 0;
    }
}

// How the audio of file ends, read through readAt: the last sector of the
// audio before any tag chunk after it.
Ending readEnding(const WavFile& file, std::string_view head, const ReadAt& readAt)
{
    constexpr int64_t sectorFrames = 588;
    const WavInfo& info = file.info;
    const int64_t frames = (file.dataBytesPresent - static_cast<int64_t>(info.trailingTagBytes)) / info.frameBytes;
    const int64_t from = std::max<int64_t>(frames - sectorFrames, 0);
    FileBytes bytes{head, info.dataStart + static_cast<uint64_t>(file.dataBytesPresent), readAt};
    const auto count = static_cast<size_t>((frames - from) * info.frameBytes);
    return isSilent(bytesAt(bytes, info.dataStart + static_cast<uint64_t>(from * info.frameBytes), count))
               ? Ending::silent
               : Ending::music;
}

// The tag chunks before the audio, then those after it, each read whole up
// to longestTagChunk.
void readTagChunks(FileBytes& file, const WavInfo& info, const TagChunkReader& reader)
{
    const uint64_t fileSize = file.size;
    const ByteOrder order = byteOrderOf(info.layout);
    std::string body;
    // The size of the chunk at offset, with its header and padding; 0 past the end.
    const auto readChunk = [&](uint64_t offset) {
        const std::string_view bytes = bytesAt(file, offset, 8);
        if (bytes.size() < 8)
            return uint64_t{0};
        // The id is kept: reading the body may read over the block it is in.
        const std::string id(bytes.substr(0, 4));
        const ChunkHeader chunk{id, readChunkHeader(bytes, order).size};
        if (id == "LIST" || id == "ID3 " || id == "id3 ") {
            const uint64_t wanted = std::min<uint64_t>({chunk.size, longestTagChunk, fileSize - offset - 8});
            body.clear();
            while (body.size() < wanted) {
                const auto count = static_cast<size_t>(std::min<uint64_t>(wanted - body.size(), blockBytes));
                const std::string_view part = bytesAt(file, offset + 8 + body.size(), count);
                if (part.empty())
                    break;
                body += part;
            }
            reader(chunk, body, order);
        }
        return uint64_t{8} + chunk.size + (chunk.size & 1);
    };
    for (int at = 0; at < file.tagChunkCount; ++at)
        readChunk(file.tagChunks[at]);
    for (uint64_t offset = file.afterAudio, chunk = 0; offset < fileSize && chunk < maxChunks; ++chunk) {
        const uint64_t size = readChunk(offset);
        if (size == 0)
            break;
        offset += size;
    }
}

}  // namespace

uint64_t assemble(std::string_view bytes, ByteOrder order)
{
    uint64_t value = 0;
    const size_t count = std::min<size_t>(bytes.size(), 8);
    for (size_t at = 0; at < count; ++at) {
        const uint64_t byte = byteAt(bytes, order == ByteOrder::little ? at : count - 1 - at);
        value |= byte << (8 * at);
    }
    return value;
}

int Assem2(const char* bytes)
{
    return static_cast<int>(assemble({bytes, 2}, ByteOrder::little));
}

uint32_t Assem4(const char* bytes)
{
    return static_cast<uint32_t>(assemble({bytes, 4}, ByteOrder::little));
}

ChunkHeader readChunkHeader(std::string_view bytes, ByteOrder order)
{
    return {bytes.substr(0, 4), static_cast<uint32_t>(assemble(bytes.substr(4, 4), order))};
}

ByteOrder byteOrderOf(WavLayout layout)
{
    return layout == WavLayout::rifx ? ByteOrder::big : ByteOrder::little;
}

std::string formatName(int formatCode)
{
    static const std::pair<int, const char*> names[] = {
        {0x0001, "PCM"},       {0x0002, "Microsoft ADPCM"}, {0x0003, "floating point"}, {0x0006, "A-law"},
        {0x0007, "mu-law"},    {0x0011, "IMA ADPCM"},       {0x0031, "GSM 6.10"},       {0x0050, "MPEG audio"},
        {0x0055, "MP3"},       {0xFFFE, "extensible format"},
    };
    char code[8];
    std::snprintf(code, sizeof code, "0x%X", static_cast<unsigned>(formatCode));
    for (const auto& [known, name] : names)
        if (known == formatCode)
            return std::string(name) + " (code " + code + ")";
    return std::string("format code ") + code;
}

bool isCdAudio(const WavInfo& info)
{
    return info.formatCode == 1 && info.sampleRate == 44100 && info.bitsPerSample == 16 && info.channels == 2;
}

bool isCompressed(int formatCode)
{
    return formatCode != 0 && formatCode != 1 && formatCode != 3 && formatCode != 0xFFFE;
}

WavInfo parseWavFile(std::string_view head, uint64_t fileSize, const ReadAt& readAt, const TagChunkReader& tagChunks)
{
    WavInfo info;
    FileBytes file{head, fileSize, readAt};
    const Walk walk = walkChunks(file, info);
    if (walk != Walk::found)
        info = scanForTags(head);
    info.chunkLimitReached = walk == Walk::tooManyChunks;
    if (info.status != WavStatus::ok)
        return info;
    measureStreamed(file, info);
    leaveOutTagOfConverted(info);
    if (walk != Walk::found)
        file.afterAudio = fileSize;  // only a walk knows where chunks are
    info = measured(info, walk == Walk::found);
    if (tagChunks && info.status == WavStatus::ok)
        readTagChunks(file, info, tagChunks);
    return info;
}

bool isSilent(std::string_view samples)
{
    for (size_t at = 0; at + 2 <= samples.size(); at += 2) {
        const int sample = static_cast<int16_t>(Assem2(samples.data() + at));
        if (sample > 32 || sample < -32)
            return false;
    }
    return true;
}

bool GET_ATTRIBUTES(const char* wavName, WavFile& file, const WavWanted& wanted)
{
    struct stat status;
    const int fd = openRegularFile(wavName, status);
    std::array<char, headerBytes> buffer;
    const long long size = fd < 0 ? -1 : readFileAt(fd, buffer.data(), buffer.size(), 0);
    if (size < 0) {
        file.read = false;
        file.error = errno;  // 0 for a device or a FIFO
        if (fd >= 0)
            close(fd);
        return false;
    }
    std::array<char, blockBytes> block;
    const ReadAt readAt = [fd, &block](uint64_t offset, size_t count) {
        const long long read = readFileAt(fd, block.data(), std::min(count, block.size()), offset);
        return std::string_view(block.data(), read < 0 ? 0 : static_cast<size_t>(read));
    };
    const std::string_view head(buffer.data(), static_cast<size_t>(size));
    const auto fileSize = static_cast<uint64_t>(status.st_size);
    file.info = parseWavFile(head, fileSize, readAt, wanted.tagChunks);
    file.device = status.st_dev;
    file.inode = status.st_ino;
    file.emptyFile = head.empty();
    file.dataBytesPresent = static_cast<int64_t>(
        std::min<uint64_t>(file.info.dataSize, fileSize - std::min(fileSize, file.info.dataStart)));
    const WavInfo& info = file.info;
    if (info.status != WavStatus::ok)
        file.kind = fileKind(head);
    // A burner pads a part sector with silence, which only music running on is cut by.
    if (info.status == WavStatus::ok && wanted.ending && isCdAudio(info) && info.layout == WavLayout::riff &&
        file.dataBytesPresent % 2352 != 0)
        file.ending = readEnding(file, head, readAt);
    close(fd);
    return info.status == WavStatus::ok;
}
