// Any bytes as a WAV file: parse them and time what they declare.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "file_kind.h"
#include "timing.h"
#include "wav_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    fileKind(input);
    isSilent(input);
    // The whole input is the file; chunk headers past the first read are read from it.
    // Tag chunks are whole within the file, and no more than their size says.
    const WavInfo info = parseWavFile(
        input.substr(0, headerBytes), size, [input](uint64_t offset, size_t bytes) { return input.substr(offset, bytes); },
        [size](const ChunkHeader& chunk, std::string_view body, ByteOrder) {
            if (body.size() > chunk.size || body.size() > size || body.size() > longestTagChunk)
                std::abort();
        });
    if (info.status != WavStatus::ok)
        return 0;
    if (info.sampleRate <= 0 || info.sampleFrames < 0 || info.sampleFrames > std::max<int64_t>(0xFFFFFFFF, size))
        std::abort();
    const TrackTime time = trackTime(info.sampleFrames, info.sampleRate);
    if (time.seconds < 0 || time.seconds > 59 || time.cdFrames < 0 || time.cdFrames > 74 ||
        (time.minutes * 60 + time.seconds) * 75 + time.cdFrames != cdFramesFloor(info.sampleFrames, info.sampleRate))
        std::abort();
    SecondsSum sum;
    addLength(sum, info.sampleFrames, info.sampleRate);
    addLength(sum, info.sampleFrames, info.sampleRate);
    if (totalTime(sum).minutes * 60 + totalTime(sum).seconds != 2 * info.sampleFrames / info.sampleRate)
        std::abort();
    return 0;
}
