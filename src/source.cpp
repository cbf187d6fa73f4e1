#include "source.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "audio_libs.h"
#include "flac_header.h"
#include "ogg_tags.h"
#include "paths.h"
#include "wav_file.h"

namespace {

constexpr std::string_view convertibleEndings[] = {".flac", ".ogg", ".oga", ".opus", ".mp3", ".aif", ".aiff", ".aifc"};

// A source file opened to read its header: its first bytes, and more through readAt.
struct OpenSource {
    int fd = -1;
    uint64_t size = 0;
    std::string head;
    std::array<char, blockBytes> block{};
    ReadAt readAt;

    explicit OpenSource(const char* path)
    {
        struct stat status;
        fd = openRegularFile(path, status);
        if (fd < 0)
            return;
        size = static_cast<uint64_t>(status.st_size);
        head.resize(65536);
        const long long count = readFileAt(fd, head.data(), head.size(), 0);
        head.resize(count < 0 ? 0 : static_cast<size_t>(count));
        readAt = [this](uint64_t offset, size_t wanted) {
            const long long read = readFileAt(fd, block.data(), std::min(wanted, block.size()), offset);
            return std::string_view(block.data(), read < 0 ? 0 : static_cast<size_t>(read));
        };
    }
    ~OpenSource()
    {
        if (fd >= 0)
            close(fd);
    }
    OpenSource(const OpenSource&) = delete;
    OpenSource& operator=(const OpenSource&) = delete;
};

// What libsndfile reads of a file: its format and length.
std::optional<SourceFormat> formatByLibrary(const char* path, std::string& reason)
{
    const AudioLibs* const libs = audioLibs(reason);
    if (!libs)
        return std::nullopt;
    SF_INFO info{};
    SNDFILE* const file = libs->open(path, SFM_READ, &info);
    if (!file) {
        reason = libs->error(nullptr);
        return std::nullopt;
    }
    libs->close(file);
    return SourceFormat{info.samplerate, info.channels, info.frames};
}

}  // namespace

bool namesConvertibleFile(std::string_view name)
{
    for (const std::string_view ending : convertibleEndings)
        if (endsWithInAnyCase(name, ending))
            return true;
    return false;
}

bool isSourceFile(const char* name)
{
    struct stat status;
    return namesConvertibleFile(name) && stat(name, &status) == 0 && S_ISREG(status.st_mode);
}

bool needsConversion(const WavInfo& info)
{
    return !isCdAudio(info) || info.layout == WavLayout::rf64 || info.layout == WavLayout::rifx ||
           info.layout == WavLayout::dataBeforeFormat;
}

int64_t convertedFrames(int64_t frames, int64_t sampleRate)
{
    // In whole seconds first, so that no product passes 64 bits.
    const int64_t seconds = frames / sampleRate;
    const int64_t rest = frames % sampleRate;
    return seconds * 44100 + (2 * rest * 44100 + sampleRate) / (2 * sampleRate);
}

std::optional<SourceFormat> readSourceFormat(const char* path, std::string& reason)
{
    {
        OpenSource file(path);
        if (file.fd < 0) {
            reason = errno ? std::strerror(errno) : "not a regular file";
            return std::nullopt;
        }
        FlacStream flac;
        if (parseFlacHeader(file.head, file.size, file.readAt, flac) && flac.sampleFrames > 0)
            return SourceFormat{flac.sampleRate, flac.channels, flac.sampleFrames};
    }
    return formatByLibrary(path, reason);
}

namespace {

// count bytes of the file from offset on: from the head, or read.
std::string bytesOf(OpenSource& file, uint64_t offset, uint64_t count)
{
    std::string bytes;
    while (bytes.size() < count) {
        const uint64_t at = offset + bytes.size();
        const std::string_view part =
            at < file.head.size() ? std::string_view(file.head).substr(static_cast<size_t>(at))
                                  : file.readAt(at, static_cast<size_t>(std::min<uint64_t>(count - bytes.size(), blockBytes)));
        if (part.empty())
            break;
        bytes += part.substr(0, static_cast<size_t>(count - bytes.size()));
    }
    return bytes;
}

// The tags of an AIFF file: its "ID3 " chunk, after its audio as often as
// not, among chunks of a big-endian size padded to an even length after
// "FORM", its size and "AIFF".
void readAiffTags(OpenSource& file, Tags& tags)
{
    for (uint64_t at = 12, chunk = 0; at + 8 <= file.size && chunk < maxChunks; ++chunk) {
        const std::string bytes = bytesOf(file, at, 8);
        const ChunkHeader header = readChunkHeader(bytes, ByteOrder::big);
        if (header.id == "ID3 ")
            readTagChunk(header.id, bytesOf(file, at + 8, std::min<uint64_t>(header.size, longestTagChunk)),
                         ByteOrder::big, tags);
        at += 8 + uint64_t{header.size} + (header.size & 1);
    }
}

}  // namespace

Tags readSourceTags(const char* path)
{
    Tags tags;
    OpenSource file(path);
    if (file.fd < 0)
        return tags;
    FlacStream flac;
    if (parseFlacHeader(file.head, file.size, file.readAt, flac) && flac.commentOffset > 0) {
        readVorbisComment(bytesOf(file, flac.commentOffset, std::min<uint64_t>(flac.commentBytes, longestTagChunk)),
                          tags);
    } else if (file.head.starts_with("OggS")) {
        readOggTags(file.head, tags);
    } else if (file.head.starts_with("FORM")) {
        readAiffTags(file, tags);
    } else if (file.head.starts_with("ID3")) {
        readTagChunk("ID3 ", file.head, ByteOrder::little, tags);
    } else if (file.head.starts_with("RIFF") || file.head.starts_with("RIFX") || file.head.starts_with("RF64")) {
        parseWavFile(std::string_view(file.head).substr(0, headerBytes), file.size, file.readAt, tagReader(tags));
    }
    return tags;
}
