// Files written by real encoders, sox and ffmpeg, must measure as sox measures them, and
// pipe-written ones to their end.
#include "wav_header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string commandOutput(const std::string& command)
{
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        size_t count;
        while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            output.append(chunk, count);
        pclose(pipe);
    }
    return output;
}

struct SoxCase {
    const char* name;
    const char* make;  // a command that writes a WAV file to the path that follows it, or to a pipe
    int64_t sampleRate;
    bool piped = false;
};

void PrintTo(const SoxCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const SoxCase soxCases[] = {
    {"Cd16BitStereo", "sox -n -r 44100 -c 2 -b 16", 44100},
    {"EightBitMono", "sox -n -r 22050 -c 1 -b 8", 22050},
    // sox writes WAVE_FORMAT_EXTENSIBLE with a fact chunk for more than two channels.
    {"TwentyFourBitSixChannels", "sox -n -r 48000 -c 6 -b 24", 48000},
    {"ThirtyTwoBitStereo", "sox -n -r 96000 -c 2 -b 32", 96000},
    // The title lands in a LIST chunk, with "data" at an even offset before the data chunk.
    {"FfmpegWithTitle", "ffmpeg -loglevel error -f lavfi -i sine=d=1.2345 -ar 44100 -ac 2 -metadata 'title=Big data' -y",
     44100},
    // Written through a pipe, a file cannot have its sizes set at the end: sox
    // leaves 0x7FFFF000 and ffmpeg 0xFFFFFFFF. Its audio runs to the end, which
    // soxi does not know.
    {"SoxThroughAPipe", "sox -n -r 44100 -c 2 -b 16 -t wav -", 44100, true},
    {"FfmpegThroughAPipe", "ffmpeg -loglevel error -f lavfi -i sine=d=1.2345 -ar 44100 -ac 2 -f wav -", 44100, true},
    {"FfmpegWithTitleThroughAPipe",
     "ffmpeg -loglevel error -f lavfi -i sine=d=1.2345 -ar 44100 -ac 2 -metadata title=Pipe -f wav -", 44100, true},
};

class SoxFilesTest : public testing::TestWithParam<SoxCase> {};

TEST_P(SoxFilesTest, MeasuresWhatTheEncoderWrote)
{
    const SoxCase& testCase = GetParam();
    const std::string path = testing::TempDir() + "trelvask_" + testCase.name + ".wav";
    const std::string synth = std::string_view(testCase.make).starts_with("sox") ? " synth 1.2345 sine 440" : "";
    const std::string make = testCase.piped ? testCase.make + synth + " 2>/dev/null | cat > '" + path + "'"
                                            : testCase.make + (" '" + path + "'") + synth;
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string soxFrames = testCase.piped ? "54441\n" : commandOutput("soxi -s '" + path + "'");  // 1.2345 s
    ASSERT_FALSE(soxFrames.empty());

    WavFile file;
    ASSERT_TRUE(GET_ATTRIBUTES(path.c_str(), file, {}));
    EXPECT_EQ(file.info.sampleRate, testCase.sampleRate);
    EXPECT_EQ(std::to_string(file.info.sampleFrames) + "\n", soxFrames);
    EXPECT_EQ(file.info.length, testCase.piped ? DataLength::streamed : DataLength::declared);
    if (testCase.piped) {
        EXPECT_EQ(file.dataBytesPresent, file.info.sampleFrames * 4);
    }
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Encoders, SoxFilesTest, testing::ValuesIn(soxCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
