#include "convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "flac_header.h"
#include "source.h"

namespace {

// The lengths libsoxr makes, measured with its very high quality on whole
// files: the exact length rounded to the nearest, a half up.
TEST(Convert, PredictsTheResampledLength)
{
    const struct {
        int64_t rate;
        int64_t frames;
        int64_t converted;
    } cases[] = {
        {48000, 1, 1},         {48000, 7, 6},           {48000, 48001, 44101},    {96000, 48001, 22050},
        {88200, 7, 4},         {88200, 48001, 24001},   {192000, 7, 2},           {192000, 123457, 28357},
        {8000, 1, 6},          {32000, 48001, 66151},   {22050, 1000003, 2000006}, {44100, 123457, 123457},
        {96000, int64_t{1} << 40, 505088154010},  // no product passes 64 bits
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(convertedFrames(testCase.frames, testCase.rate), testCase.converted)
            << testCase.frames << " at " << testCase.rate;
}

// A converted file's name: in the folder, a WAV source's with -cd, and two
// sources of one name kept apart by a hash of their paths.
TEST(Convert, NamesTheConvertedFiles)
{
    EXPECT_EQ(convertedName("cd", "music/01 - Intro.flac", false), "cd/01 - Intro.wav");
    EXPECT_EQ(convertedName("cd/", "a.b.mp3", false), "cd/a.b.wav");
    EXPECT_EQ(convertedName("cd", "hires/take.WAV", false), "cd/take-cd.wav");
    const std::string first = convertedName("cd", "disc1/01.flac", true);
    const std::string second = convertedName("cd", "disc2/01.flac", true);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, convertedName("cd", "disc1/01.flac", true));
    EXPECT_TRUE(first.starts_with("cd/01-") && first.ends_with(".wav")) << first;
}

// The header a converted file gets reads back as CD audio, with its tags and
// the mark of its source.
TEST(Convert, WritesAHeaderThatReadsBack)
{
    const Tags tags{.title = "Caf\xC3\xA9", .artist = "Band", .album = "Night", .albumArtist = "Various"};
    const std::string mark = "Trelvask conversion of 12 bytes changed at 1.000000000: a.flac";
    const std::string header = cdWavHeader(4410, tags, mark);
    const std::string file = header + std::string(4410 * 4, '\0');
    Tags read;
    const WavInfo info = parseWavFile(header, file.size(), [&file](uint64_t offset, size_t size) {
        return std::string_view(file).substr(offset, size);
    }, tagReader(read));
    EXPECT_TRUE(isCdAudio(info));
    EXPECT_EQ(info.layout, WavLayout::riff);
    EXPECT_EQ(info.sampleFrames, 4410);
    EXPECT_EQ(info.dataStart, header.size());
    EXPECT_EQ(read.title + '|' + read.artist + '|' + read.album + '|' + read.albumArtist,
              "Caf\xC3\xA9|Band|Night|Various");
    EXPECT_EQ(read.software, mark);
    EXPECT_TRUE(isConversion(read.software));
}

// TPDF dither of one bit: silence stays within a bit of silence, full scale
// is clipped, and the mean of a level below a bit is that level.
TEST(Convert, DithersTo16Bits)
{
    const struct {
        float level;
        int lowest, highest;  // of the 16-bit samples
        double mean;
    } cases[] = {
        {0.0f, -1, 1, 0.0},
        {1.0f, 32767, 32767, 32767.0},
        {-1.0f, -32768, -32767, -32767.875},
        {0.25f / 32768, -1, 1, 0.25},
        {100.5f / 32768, 99, 102, 100.5},
    };
    uint64_t random = 1;
    for (const auto& testCase : cases) {
        const std::vector<float> samples(100000, testCase.level);
        std::vector<int16_t> out(samples.size());
        ditherTo16(samples.data(), out.data(), samples.size(), random);
        double sum = 0;
        for (const int16_t sample : out) {
            EXPECT_GE(sample, testCase.lowest) << testCase.level;
            EXPECT_LE(sample, testCase.highest) << testCase.level;
            sum += sample;
        }
        EXPECT_NEAR(sum / static_cast<double>(out.size()), testCase.mean, 0.02) << testCase.level;
    }
}

std::string blockHeader(int type, bool last, uint32_t length)
{
    return {static_cast<char>(type | (last ? 0x80 : 0)), static_cast<char>(length >> 16), static_cast<char>(length >> 8),
            static_cast<char>(length)};
}

// A STREAMINFO block: block and frame sizes, then 20 bits of rate, 3 of
// channels less one, 5 of bits less one and 36 of samples, and the MD5.
std::string streamInfo(uint32_t rate, int channels, int bits, uint64_t samples)
{
    const uint64_t packed = uint64_t{rate} << 44 | uint64_t(channels - 1) << 41 | uint64_t(bits - 1) << 36 | samples;
    std::string fields(10, '\x10');
    for (int shift = 56; shift >= 0; shift -= 8)
        fields += static_cast<char>(packed >> shift);
    return blockHeader(0, false, 34) + fields + std::string(16, '\0');
}

// What a FLAC file's header says without decoding it.
TEST(Convert, ReadsAFlacHeader)
{
    const std::string comment = blockHeader(4, true, 20) + std::string(20, 'c');
    const struct {
        const char* name;
        std::string file;
        bool flac;
        std::string read;  // "rate channels bits samples commentOffset"
    } cases[] = {
        {"CdAudio", "fLaC" + streamInfo(44100, 2, 16, 441000) + comment, true, "44100 2 16 441000 46"},
        {"HighResolution", "fLaC" + streamInfo(192000, 2, 24, 0xFFFFFFFFF) + comment, true,
         "192000 2 24 68719476735 46"},
        {"Mono", "fLaC" + streamInfo(48000, 1, 8, 7) + blockHeader(1, true, 4) + "pppp", true, "48000 1 8 7 0"},
        {"AfterAnId3Tag", std::string("ID3\x03\0\0\0\0\0\x02", 10) + "xx" + "fLaC" + streamInfo(96000, 6, 24, 5),
         true, "96000 6 24 5 0"},
        {"NoStreamInfoFirst", "fLaC" + comment, false, ""},
        {"CutOff", "fLaC" + streamInfo(44100, 2, 16, 441000).substr(0, 12), false, ""},
        {"NoFlac", "OggS", false, ""},
        {"NoBlocks", std::string("fLaC\0", 5), false, ""},
    };
    for (const auto& testCase : cases) {
        const std::string_view file = testCase.file;
        FlacStream stream;
        const bool flac = parseFlacHeader(file, file.size(), [file](uint64_t offset, size_t size) {
            return offset < file.size() ? file.substr(offset, size) : std::string_view();
        }, stream);
        EXPECT_EQ(flac, testCase.flac) << testCase.name;
        const std::string read = std::to_string(stream.sampleRate) + ' ' + std::to_string(stream.channels) + ' ' +
                                 std::to_string(stream.bitsPerSample) + ' ' + std::to_string(stream.sampleFrames) +
                                 ' ' + std::to_string(stream.commentOffset);
        EXPECT_EQ(flac ? read : "", testCase.read) << testCase.name;
    }
}

}  // namespace
