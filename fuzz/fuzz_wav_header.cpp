// Any bytes as the start of a WAV file: parse them and time what they declare.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "timing.h"
#include "wav_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const WavInfo info = parseWavHeader({reinterpret_cast<const char*>(data), size});
    if (info.status != WavStatus::ok)
        return 0;
    if (info.sampleRate <= 0 || info.sampleFrames < 0 || info.sampleFrames > 0xFFFFFFFFLL)
        std::abort();
    const TrackTime time = trackTime(info.sampleFrames, info.sampleRate);
    if (time.minutes < 0 || time.seconds < 0 || time.seconds > 59 || time.cdFrames < 0 || time.cdFrames > 74)
        std::abort();
    totalTime(trackSeconds(info.sampleFrames, info.sampleRate));
    return 0;
}
