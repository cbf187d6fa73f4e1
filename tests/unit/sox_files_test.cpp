// Files written by a real encoder, sox, must measure as sox itself measures them.
#include "wav_header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    const char* format;  // sox output options
    int64_t sampleRate;
};

void PrintTo(const SoxCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const SoxCase soxCases[] = {
    {"Cd16BitStereo", "-r 44100 -c 2 -b 16", 44100},
    {"EightBitMono", "-r 22050 -c 1 -b 8", 22050},
    // sox writes WAVE_FORMAT_EXTENSIBLE with a fact chunk for more than two channels.
    {"TwentyFourBitSixChannels", "-r 48000 -c 6 -b 24", 48000},
    {"ThirtyTwoBitStereo", "-r 96000 -c 2 -b 32", 96000},
};

class SoxFilesTest : public testing::TestWithParam<SoxCase> {};

TEST_P(SoxFilesTest, FrameCountMatchesSoxi)
{
    const std::string path = testing::TempDir() + "trelvask_" + GetParam().name + ".wav";
    const std::string make = std::string("sox -n ") + GetParam().format + " '" + path + "' synth 1.2345 sine 440";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string soxFrames = commandOutput("soxi -s '" + path + "'");
    ASSERT_FALSE(soxFrames.empty());

    int64_t rate = 0;
    int64_t frames = 0;
    ASSERT_TRUE(GET_ATTRIBUTES(0, path.c_str(), &rate, &frames));
    EXPECT_EQ(rate, GetParam().sampleRate);
    EXPECT_EQ(std::to_string(frames) + "\n", soxFrames);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Encoders, SoxFilesTest, testing::ValuesIn(soxCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
