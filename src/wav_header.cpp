#include "wav_header.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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

// The fields of a format chunk whose id starts bytes.
void readFormat(const char* bytes, WavInfo& info)
{
    info.formatCode = Assem2(bytes + 8);
    info.channels = Assem2(bytes + 10);
    info.sampleRate = Assem4(bytes + 12);
    info.bitsPerSample = Assem2(bytes + 22);
}

// The length in sample frames, once both chunks are read.
WavInfo measured(WavInfo info)
{
    const int bytesPerSample = info.bitsPerSample >> 3;
    if (info.channels == 0 || bytesPerSample == 0 || info.sampleRate == 0)
        return {WavStatus::unsupported};
    info.sampleFrames = info.dataSize / (static_cast<int64_t>(info.channels) * bytesPerSample);
    return info;
}

// The search for chunk ids, for files whose chunks cannot be walked. Only the
// three letters of "fmt" count, not the blank after them.
WavInfo scanForTags(std::string_view header)
{
    WavInfo info;
    const size_t format = findTag(header, "fmt");
    if (format == notFound || format + 24 > header.size())
        return {WavStatus::noFormat};
    readFormat(header.data() + format, info);

    const size_t data = findTag(header, "data");
    if (data == notFound || data + 8 > header.size())
        return {WavStatus::noData};
    info.dataSize = Assem4(header.data() + data + 4);
    info.dataStart = data + 8;
    return measured(info);
}

// Walks "RIFF", a size that many writers get wrong and is not read, "WAVE",
// then chunks of an id, a size and the content, padded to an even length,
// until both the format and the data chunk are found. False when the chunks
// lead nowhere; info is then left unfinished.
bool walkChunks(std::string_view head, uint64_t fileSize, const ReadAt& readAt, WavInfo& info)
{
    if (head.size() < 12 || !head.starts_with("RIFF") || head.substr(8, 4) != "WAVE")
        return false;
    bool haveFormat = false;
    bool haveData = false;
    uint64_t offset = 12;
    for (int chunk = 0; chunk < maxChunks; ++chunk) {
        if (offset + 8 > fileSize)
            return false;
        const std::string_view bytes = offset + chunkHeaderBytes <= head.size() || head.size() >= fileSize
                                           ? head.substr(offset, chunkHeaderBytes)
                                           : readAt(offset);
        if (bytes.size() < 8)
            return false;
        const std::string_view id = bytes.substr(0, 4);
        const uint64_t size = Assem4(bytes.data() + 4);
        const uint64_t end = offset + 8 + size;
        // The data chunk may declare more than the file holds, as a cut-off
        // file or one written through a pipe does; any other chunk may not.
        if (id == "data" && !haveData) {
            info.dataSize = static_cast<uint32_t>(size);
            info.dataStart = offset + 8;
            haveData = true;
        } else if (end > fileSize) {
            return false;
        } else if (id == "fmt " && !haveFormat) {
            if (size < 16 || bytes.size() < chunkHeaderBytes)
                return false;
            readFormat(bytes.data(), info);
            haveFormat = true;
        }
        if (haveFormat && haveData)
            return true;
        offset = end + (size & 1);
    }
    return false;
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

}  // namespace

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

WavInfo parseWavFile(std::string_view head, uint64_t fileSize, const ReadAt& readAt)
{
    WavInfo info;
    if (walkChunks(head, fileSize, readAt, info))
        return measured(info);
    return scanForTags(head);
}

std::optional<Failure> GET_ATTRIBUTES(const char* wavName, WavFile& file)
{
    struct stat status;
    const int fd = openRegularFile(wavName, status);
    std::array<char, headerBytes> head;
    const ssize_t size = fd < 0 ? -1 : readFully(fd, head.data(), head.size(), 0);
    if (size < 0) {  // errno tells why
        const int error = errno;
        if (fd >= 0)
            close(fd);
        return Failure{Exit::wavProblem, std::string("Cannot find file in track list called ") + wavName + "\n",
                       wavName, error ? std::strerror(error) : "not a regular file", error};
    }
    std::array<char, chunkHeaderBytes> chunk;
    const ReadAt readAt = [fd, &chunk](uint64_t offset) {
        const ssize_t count = readFully(fd, chunk.data(), chunk.size(), offset);
        return std::string_view(chunk.data(), count < 0 ? 0 : static_cast<size_t>(count));
    };
    const auto fileSize = static_cast<uint64_t>(status.st_size);
    const WavInfo info = parseWavFile({head.data(), static_cast<size_t>(size)}, fileSize, readAt);
    close(fd);
    switch (info.status) {
    case WavStatus::noFormat:
        return Failure{Exit::wavProblem, "Can't find format chunk in wave file!\n", wavName, "no format chunk"};
    case WavStatus::noData:
        return Failure{Exit::wavProblem, "Can't find data block in wave file!\n", wavName, "no data chunk"};
    case WavStatus::unsupported:
        return Failure{Exit::wavProblem, std::string("Unsupported format in wave file called ") + wavName + "\n",
                       wavName, "the header declares 0 channels, 0 Hz or fewer than 8 bits per sample"};
    case WavStatus::ok:
        break;
    }
    file.info = info;
    file.dataBytesPresent =
        static_cast<int64_t>(std::min<uint64_t>(info.dataSize, fileSize - std::min(fileSize, info.dataStart)));
    file.device = status.st_dev;
    file.inode = status.st_ino;
    return std::nullopt;
}
