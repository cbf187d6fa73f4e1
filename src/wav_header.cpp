#include "wav_header.h"

#include <array>
#include <cerrno>
#include <cstdio>

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

// Reads up to headerBytes from the start of a regular file; -1 when it cannot.
// Opening without blocking keeps a FIFO named in the list from hanging the run.
ssize_t readHeader(const char* name, std::array<char, headerBytes>& buffer)
{
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat status;
    ssize_t total = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? 0 : -1;
    while (total >= 0 && static_cast<size_t>(total) < buffer.size()) {
        const ssize_t count = read(fd, buffer.data() + total, buffer.size() - total);
        if (count == 0)
            break;
        if (count > 0)
            total += count;
        else if (errno != EINTR)
            total = -1;
    }
    close(fd);
    return total;
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

WavInfo parseWavHeader(std::string_view header)
{
    // Only the three letters count, not the blank after them, so that every
    // file that was ever measured still is.
    const size_t format = findTag(header, "fmt");
    if (format == notFound || format + 24 > header.size())
        return {WavStatus::noFormat};
    const int channels = Assem2(header.data() + format + 10);
    const uint32_t sampleRate = Assem4(header.data() + format + 12);
    const int bytesPerSample = Assem2(header.data() + format + 22) >> 3;

    const size_t data = findTag(header, "data");
    if (data == notFound || data + 8 > header.size())
        return {WavStatus::noData};
    const uint32_t dataSize = Assem4(header.data() + data + 4);

    if (channels == 0 || bytesPerSample == 0 || sampleRate == 0)
        return {WavStatus::unsupported};
    return {WavStatus::ok, sampleRate, dataSize / (static_cast<int64_t>(channels) * bytesPerSample)};
}

bool GET_ATTRIBUTES(int row, const char* wavName, int64_t* rateColumn, int64_t* frameColumn)
{
    std::array<char, headerBytes> buffer;
    const ssize_t size = readHeader(wavName, buffer);
    if (size < 0) {
        std::printf("Cannot find file in track list called %s\n", wavName);
        return false;
    }
    const WavInfo info = parseWavHeader({buffer.data(), static_cast<size_t>(size)});
    switch (info.status) {
    case WavStatus::noFormat:
        std::puts("Can't find format chunk in wave file!");
        return false;
    case WavStatus::noData:
        std::puts("Can't find data block in wave file!");
        return false;
    case WavStatus::unsupported:
        std::printf("Unsupported format in wave file called %s\n", wavName);
        return false;
    case WavStatus::ok:
        break;
    }
    rateColumn[row] = info.sampleRate;
    frameColumn[row] = info.sampleFrames;
    return true;
}
