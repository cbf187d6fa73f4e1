// Files written by real encoders, sox and ffmpeg, must measure as sox measures them.
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
    const char* make;  // a command that writes a WAV file to the path that follows it
    int64_t sampleRate;
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
};

class SoxFilesTest : public testing::TestWithParam<SoxCase> {};

TEST_P(SoxFilesTest, FrameCountMatchesSoxi)
{
    const std::string path = testing::TempDir() + "trelvask_" + GetParam().name + ".wav";
    const bool sox = std::string_view(GetParam().make).starts_with("sox");
    const std::string make = std::string(GetParam().make) + " '" + path + "'" + (sox ? " synth 1.2345 sine 440" : "");
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string soxFrames = commandOutput("soxi -s '" + path + "'");
    ASSERT_FALSE(soxFrames.empty());

    WavFile file;
    ASSERT_FALSE(GET_ATTRIBUTES(path.c_str(), file));
    EXPECT_EQ(file.info.sampleRate, GetParam().sampleRate);
    EXPECT_EQ(std::to_string(file.info.sampleFrames) + "\n", soxFrames);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Encoders, SoxFilesTest, testing::ValuesIn(soxCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Written through a pipe, a file cannot have its sizes set at the end: sox
// leaves 0x7FFFF000 and ffmpeg 0xFFFFFFFF. Its audio runs to the end.
TEST(PipeWrittenFiles, MeasureToTheEnd)
{
    const char* const writers[] = {
        "sox -n -r 44100 -c 2 -b 16 -t wav - synth 1.2345 sine 440",
        "ffmpeg -loglevel error -f lavfi -i sine=d=1.2345 -ar 44100 -ac 2 -f wav -",
        "ffmpeg -loglevel error -f lavfi -i sine=d=1.2345 -ar 44100 -ac 2 -metadata title=Pipe -f wav -",
    };
    const std::string path = testing::TempDir() + "trelvask_pipe.wav";
    for (const char* writer : writers) {
        const std::string make = std::string(writer) + " 2>/dev/null | cat > '" + path + "'";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        WavFile file;
        ASSERT_FALSE(GET_ATTRIBUTES(path.c_str(), file)) << writer;
        EXPECT_EQ(file.info.length, DataLength::streamed) << writer;
        EXPECT_EQ(file.info.sampleFrames, 54441) << writer;  // 1.2345 s
        EXPECT_EQ(file.dataBytesPresent, 54441 * 4) << writer;
    }
    std::remove(path.c_str());
}

}  // namespace
