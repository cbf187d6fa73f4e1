#include "wav_header.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "advice.h"
#include "file_kind.h"
#include "tags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A RIFX file holds every number big-endian.
int field16(const char* bytes, bool bigEndian)
{
    const int value = Assem2(bytes);
    return bigEndian ? (value >> 8 | value << 8) & 0xFFFF : value;
}

uint32_t field32(const char* bytes, bool bigEndian)
{
    const uint32_t value = Assem4(bytes);
    return bigEndian ? value >> 24 | (value >> 8 & 0xFF00) | (value << 8 & 0xFF0000) | value << 24 : value;
}

// The fields of a format chunk whose id starts bytes.
void readFormat(const char* bytes, WavInfo& info)
{
    const bool bigEndian = info.layout == WavLayout::rifx;
    info.formatCode = field16(bytes + 8, bigEndian);
    info.channels = field16(bytes + 10, bigEndian);
    info.sampleRate = field32(bytes + 12, bigEndian);
    info.blockAlign = field16(bytes + 20, bigEndian);
    info.bitsPerSample = field16(bytes + 22, bigEndian);
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
    readFormat(header.data() + format, info);

    const size_t data = findTag(header, "data");
    if (data == notFound || data + 8 > header.size())
        return {WavStatus::noData};
    info.dataSize = field32(header.data() + data + 4, info.layout == WavLayout::rifx);
    info.dataStart = data + 8;
    return info;
}

// The file as the parser sees it: the head, and the last block read beyond it.
struct FileBytes {
    std::string_view head;
    uint64_t size;
    const ReadAt& readAt;
    uint64_t blockStart = 0;
    std::string_view block;
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

uint64_t assem8(const char* bytes)
{
    return Assem4(bytes) | uint64_t{Assem4(bytes + 4)} << 32;
}

enum class Walk { found, lost, tooManyChunks };

// Walks "RIFF" (or RF64 or BW64), a size that many writers get wrong and is
// not read, "WAVE", then chunks of an id, a size and the content, padded to
// an even length, until both the format and the data chunk are found. RF64
// gives the data's size in a ds64 chunk before it. info is left unfinished
// unless the walk finds both.
// Where tag chunks lie in a file: the first few before its audio.
struct TagChunks {
    uint64_t offsets[4] = {};
    int count = 0;
};

Walk walkChunks(FileBytes& file, WavInfo& info, TagChunks& tagChunks)
{
    const std::string_view head = file.head;
    const std::string_view form = head.substr(0, 4);
    if (head.size() < 12 || !startsLikeWav(form) || head.substr(8, 4) != "WAVE")
        return Walk::lost;
    info.layout = form == "RIFF" ? WavLayout::riff : form == "RIFX" ? WavLayout::rifx : WavLayout::rf64;
    const bool bigEndian = info.layout == WavLayout::rifx;
    const uint64_t fileSize = file.size;
    bool haveFormat = false;
    bool haveData = false;
    uint64_t offset = 12;
    for (int chunk = 0; chunk < maxChunks; ++chunk) {
        const std::string_view bytes = bytesAt(file, offset, chunkHeaderBytes);
        if (offset + 8 > fileSize || bytes.size() < 8)
            return Walk::lost;
        const std::string_view id = bytes.substr(0, 4);
        uint64_t size = field32(bytes.data() + 4, bigEndian);
        if (id == "data" && size == 0xFFFFFFFF && info.layout == WavLayout::rf64)
            size = info.dataSize;  // from the ds64 chunk
        const uint64_t end = offset + 8 + size;
        // The data chunk may declare more than the file holds, as a cut-off
        // file or one written through a pipe does; any other chunk may not.
        if (id == "data" && !haveData) {
            info.dataSize = size;
            info.dataStart = offset + 8;
            haveData = true;
            if (!haveFormat && info.layout == WavLayout::riff)
                info.layout = WavLayout::dataBeforeFormat;
        } else if (end > fileSize) {
            return Walk::lost;
        } else if (id == "fmt " && !haveFormat) {
            if (size < 16 || bytes.size() < chunkHeaderBytes)
                return Walk::lost;
            readFormat(bytes.data(), info);
            haveFormat = true;
        } else if (isTagChunk(id) && tagChunks.count < static_cast<int>(std::size(tagChunks.offsets))) {
            tagChunks.offsets[tagChunks.count++] = offset;
        } else if (id == "ds64" && size >= 16 && bytes.size() >= chunkHeaderBytes && !haveData) {
            // No file can hold more than a signed 64-bit offset reaches.
            info.dataSize = std::min<uint64_t>(assem8(bytes.data() + 16), INT64_MAX);
        }
        if (haveFormat && haveData)
            return Walk::found;
        offset = end + (size & 1);
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
uint64_t trailingChunkBytes(std::string_view tail)
{
    for (size_t at = 0; at + 8 <= tail.size(); ++at) {
        const uint64_t size = Assem4(tail.data() + at + 4);
        if (isTrailingChunkId(tail.substr(at, 4)) && (at + 8 + size == tail.size() || at + 9 + size == tail.size()))
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
    const uint64_t held = file.size - std::min(file.size, info.dataStart);
    const bool placeholder = info.dataSize >= 0x7FFF0000 && info.dataSize > held;
    if (!placeholder && !(info.dataSize == 0 && held > 0))
        return;
    const size_t tail = static_cast<size_t>(std::min<uint64_t>(held, blockBytes));
    const uint64_t tag = trailingChunkBytes(bytesAt(file, file.size - tail, tail));
    if (placeholder) {
        info.length = DataLength::streamed;
        info.dataSize = held;
        info.trailingTagBytes = tag;
    } else if (held > tag) {
        info.length = DataLength::zero;
        info.dataSize = held - tag;
    }
}

// The tags of a file: in the tag chunks before its audio, then in those
// after it, read from the end of the audio a block at once. A chunk's body
// is read no further than a block: a large picture in an ID3 tag is not.
Tags readTags(FileBytes& file, const WavInfo& info, const TagChunks& before)
{
    Tags tags;
    // The size of the chunk at offset, with its header and padding; 0 past the end.
    const auto readChunk = [&file, &tags](uint64_t offset) {
        const std::string_view header = bytesAt(file, offset, 8);
        if (header.size() < 8)
            return uint64_t{0};
        const std::string id(header.substr(0, 4));
        const uint32_t size = Assem4(header.data() + 4);
        if (isTagChunk(id))
            readTagChunk(id, bytesAt(file, offset + 8, std::min<size_t>(size, blockBytes - 8)), tags);
        return uint64_t{8} + size + (size & 1);
    };
    for (int at = 0; at < before.count; ++at)
        readChunk(before.offsets[at]);
    // A streamed file's tag chunk is counted in its audio, as a burner reads it.
    uint64_t offset = info.dataStart + info.dataSize - info.trailingTagBytes;
    if (info.trailingTagBytes == 0)
        offset += info.dataSize & 1;
    for (int chunk = 0; chunk < 8 && offset < file.size; ++chunk) {
        const uint64_t size = readChunk(offset);
        if (size == 0)
            break;
        offset += size;
    }
    return tags;
}

// How the audio of file ends, read through readAt: the last sector of the
// audio before any tag chunk after it.
Ending readEnding(const WavFile& file, std::string_view head, const ReadAt& readAt)
{
    constexpr int64_t sectorFrames = 588;
    const WavInfo& info = file.info;
    const int64_t frames = (file.dataBytesPresent - static_cast<int64_t>(info.trailingTagBytes)) / info.frameBytes;
    const int64_t from = std::max<int64_t>(frames - sectorFrames, 0);
    FileBytes bytes{head, info.dataStart + static_cast<uint64_t>(file.dataBytesPresent), readAt, 0, {}};
    const auto count = static_cast<size_t>((frames - from) * info.frameBytes);
    return isSilent(bytesAt(bytes, info.dataStart + static_cast<uint64_t>(from * info.frameBytes), count))
               ? Ending::silent
               : Ending::music;
}

// Opening without blocking keeps a FIFO named in the list from hanging the
// run. -1 when the file cannot be read as a regular file, with errno set, or
// 0 for a device or a FIFO.
int openRegularFile(const char* name, struct stat& status)
{
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int error = 0;
    if (fstat(fd, &status) != 0)
        error = errno;
    else if (S_ISREG(status.st_mode))
        return fd;
    else if (S_ISDIR(status.st_mode))
        error = EISDIR;
    close(fd);
    errno = error;
    return -1;
}

// Reads up to size bytes at offset; the count read, or -1.
ssize_t readFully(int fd, char* buffer, size_t size, uint64_t offset)
{
    size_t total = 0;
    while (total < size) {
        const ssize_t count = pread(fd, buffer + total, size - total, static_cast<off_t>(offset + total));
        if (count == 0)
            break;
        if (count > 0)
            total += count;
        else if (errno != EINTR)
            return -1;
    }
    return static_cast<ssize_t>(total);
}

// Why a file whose chunks were not found is no WAV file, from its first
// bytes; empty when it starts like one.
std::string notWavReason(std::string_view head, const char* wavName)
{
    if (head.empty())
        return "the file is empty";
    if (startsLikeWav(head))
        return "";
    const std::string_view kind = fileKind(head);
    if (kind == "UTF-16 text")
        return "this is a UTF-16 text file, not a WAV file";
    if (!kind.empty() && kind != "RIFF" && kind != "PNG" && kind != "JPEG" && kind != "PDF" && kind != "ZIP")
        return "this is " + withArticle(kind) + " file, not a WAV file; convert it first, as in: " + ffmpegCommand(wavName);
    return "it has no RIFF header, so it is no WAV file: raw samples, perhaps, as opusdec writes them to a pipe; "
           "decode again with a header, as in: opusdec --force-wav in.opus " + quoted(wavName);
}

// Why a file cannot be measured, in the user's terms; none when it can.
std::optional<Failure> headerFailure(const WavInfo& info, std::string_view head, const char* wavName)
{
    if (info.status == WavStatus::ok)
        return std::nullopt;
    if (info.status == WavStatus::unsupported)
        return Failure{Exit::wavProblem, std::string("Unsupported format in wave file called ") + wavName + "\n",
                       wavName,
                       isCompressed(info.formatCode)
                           ? formatName(info.formatCode) + ", a compressed format, which a CD cannot take; decode "
                                                           "it to PCM first, as in: " + ffmpegCommand(wavName)
                           : "the header declares 0 channels, 0 Hz or fewer than 8 bits per sample"};
    const bool noFormat = info.status == WavStatus::noFormat;
    std::string reason = notWavReason(head, wavName);
    if (reason.empty())
        reason = noFormat ? "no format chunk" : "no data chunk";
    // In two steps: GCC 12 for armhf takes the one expression for an overlapping copy.
    if (info.chunkLimitReached) {
        reason = "more than ";
        reason += std::to_string(maxChunks) + " chunks before the audio, more than any writer makes; rewrite the "
                  "file, as in: " + soxCommand(wavName);
    }
    return Failure{Exit::wavProblem,
                   noFormat ? "Can't find format chunk in wave file!\n" : "Can't find data block in wave file!\n",
                   wavName, reason};
}

}  // namespace

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

int Assem2(const char* bytes)
{
    const auto byte = [bytes](int index) { return static_cast<unsigned char>(bytes[index]); };
    return byte(0) | byte(1) << 8;
}

uint32_t Assem4(const char* bytes)
{
    const auto byte = [bytes](int index) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[index])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

WavInfo parseWavFile(std::string_view head, uint64_t fileSize, const ReadAt& readAt, Tags* tags)
{
    WavInfo info;
    FileBytes file{head, fileSize, readAt, 0, {}};
    TagChunks tagChunks;
    const Walk walk = walkChunks(file, info, tagChunks);
    if (walk != Walk::found)
        info = scanForTags(head);
    info.chunkLimitReached = walk == Walk::tooManyChunks;
    if (info.status != WavStatus::ok)
        return info;
    measureStreamed(file, info);
    if (tags && walk == Walk::found)
        *tags = readTags(file, info, tagChunks);
    return measured(info, walk == Walk::found);
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

std::optional<Failure> GET_ATTRIBUTES(const char* wavName, WavFile& file, const WavWanted& wanted)
{
    struct stat status;
    const int fd = openRegularFile(wavName, status);
    std::array<char, headerBytes> buffer;
    const ssize_t size = fd < 0 ? -1 : readFully(fd, buffer.data(), buffer.size(), 0);
    if (size < 0) {  // errno tells why
        const int error = errno;
        if (fd >= 0)
            close(fd);
        return Failure{Exit::wavProblem, std::string("Cannot find file in track list called ") + wavName + "\n",
                       wavName, error ? std::strerror(error) : "not a regular file", error};
    }
    std::array<char, blockBytes> block;
    const ReadAt readAt = [fd, &block](uint64_t offset, size_t count) {
        const ssize_t read = readFully(fd, block.data(), std::min(count, block.size()), offset);
        return std::string_view(block.data(), read < 0 ? 0 : static_cast<size_t>(read));
    };
    const std::string_view head(buffer.data(), static_cast<size_t>(size));
    const auto fileSize = static_cast<uint64_t>(status.st_size);
    const WavInfo info = parseWavFile(head, fileSize, readAt, wanted.tags);
    if (auto failure = headerFailure(info, head, wavName)) {
        close(fd);
        return failure;
    }
    file.info = info;
    file.dataBytesPresent =
        static_cast<int64_t>(std::min<uint64_t>(info.dataSize, fileSize - std::min(fileSize, info.dataStart)));
    // A burner pads a part sector with silence, which only music running on is cut by.
    if (wanted.ending && isCdAudio(info) && info.layout == WavLayout::riff && file.dataBytesPresent % 2352 != 0)
        file.ending = readEnding(file, head, readAt);
    close(fd);
    file.device = status.st_dev;
    file.inode = status.st_ino;
    return std::nullopt;
}
