#include "timing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "track_list.h"

// Beside TrackTime, where the assertions look for them.
bool operator==(const TrackTime& a, const TrackTime& b)
{
    return a.minutes == b.minutes && a.seconds == b.seconds && a.cdFrames == b.cdFrames;
}

std::ostream& operator<<(std::ostream& out, const TrackTime& time)
{
    return out << time.minutes << ':' << time.seconds << ':' << time.cdFrames;
}

namespace {

constexpr int64_t sector = 588;  // sample frames in one 2352-byte CD sector

struct TimeCase {
    int64_t frames;
    int64_t rate;
    TrackTime time;
};

void PrintTo(const TimeCase& testCase, std::ostream* out)
{
    *out << testCase.frames << " frames at " << testCase.rate << " Hz";
}

const TimeCase timeCases[] = {
    {10000000, 44100, {3, 46, 56}},
    {2646000, 44100, {1, 0, 0}},
    {18521999, 44100, {6, 59, 74}},
    {272538000, 44100, {103, 0, 0}},
    {1349460, 44100, {0, 30, 45}},
    {15408 * sector, 44100, {3, 25, 33}},  // whole sectors: no frame lost to rounding
    {0xFFFFFFFF, 1, {71582788, 15, 0}},
    {2147483647, 134217728, {0, 15, 74}},
    // A 2^63-byte file at 1 Hz: minutes in 64 bits, no product past them.
    {INT64_MAX, 1, {153722867280912930, 7, 0}},
    {int64_t{1} << 57, 44100, {54465301615, 58, 13}},
};

class TrackTimeTest : public testing::TestWithParam<TimeCase> {};

TEST_P(TrackTimeTest, Decomposes)
{
    EXPECT_EQ(trackTime(GetParam().frames, GetParam().rate), GetParam().time);
}

INSTANTIATE_TEST_SUITE_P(Examples, TrackTimeTest, testing::ValuesIn(timeCases));

// Every whole CD frame of a length is printed, and no more, at any rate.
TEST(Timing, CdFramesAreTheExactLengthTruncated)
{
    std::mt19937_64 random(2026);
    for (int draw = 0; draw < 200000; ++draw) {
        const int64_t rate = 1 + static_cast<int64_t>(random() % (draw % 2 ? 0xFFFFFFFF : 200000));
        const auto frames = static_cast<int64_t>(random() % 0x100000001);
        const TrackTime time = trackTime(frames, rate);
        ASSERT_TRUE(time.seconds >= 0 && time.seconds < 60 && time.cdFrames >= 0 && time.cdFrames < 75)
            << frames << " frames at " << rate << " Hz";
        ASSERT_EQ((time.minutes * 60 + time.seconds) * 75 + time.cdFrames, cdFramesFloor(frames, rate))
            << frames << " frames at " << rate << " Hz";
    }
}

struct TotalCase {
    const char* name;
    std::vector<std::pair<int64_t, int64_t>> files;  // frames, rate
    TotalTime total;
};

void PrintTo(const TotalCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const TotalCase totalCases[] = {
    {"Nothing", {}, {0, 0}},
    {"FractionsAddUp", {{1349460, 44100}, {1349460, 44100}}, {1, 1}},
    {"SectorsMakingWholeSeconds", {{1378 * sector, 44100}, {633 * sector, 44100}, {314 * sector, 44100}}, {0, 31}},
    {"ExactlyMinutes", {{272538000, 44100}}, {103, 0}},
    {"NotRoundedUp", {{465691590, 44100}}, {175, 59}},
    {"MixedRatesMakingASecond", {{14700, 44100}, {16000, 48000}, {32000, 96000}}, {0, 1}},
    {"MixedRatesOneSampleShort", {{14700, 44100}, {16000, 48000}, {31999, 96000}}, {0, 0}},
    // Two primes near 2^32: their common denominator cannot be kept.
    {"CoprimeRatesAboveOne", {{4294967290, 4294967291}, {1, 4294967279}}, {0, 1}},
    {"CoprimeRatesBelowOne", {{4294967278, 4294967279}, {1, 4294967291}}, {0, 0}},
    {"LongestFilesAtOneHertz", std::vector<std::pair<int64_t, int64_t>>(128, {0xFFFFFFFF, 1}), {9162596896, 0}},
    {"BeyondSixtyFourBitsStopsThere", {{INT64_MAX, 1}, {INT64_MAX, 1}}, {153722867280912930, 7}},
};

class TotalTimeTest : public testing::TestWithParam<TotalCase> {};

TEST_P(TotalTimeTest, IsTheExactSumTruncated)
{
    SecondsSum sum;
    for (const auto& [frames, rate] : GetParam().files)
        addLength(sum, frames, rate);
    EXPECT_EQ(totalTime(sum).minutes, GetParam().total.minutes);
    EXPECT_EQ(totalTime(sum).seconds, GetParam().total.seconds);
}

INSTANTIATE_TEST_SUITE_P(Sums, TotalTimeTest, testing::ValuesIn(totalCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Timing, ReportNumbersWavRowsOnly)
{
    std::string list = "a.wav\nS 01:00:00\nP 00:02:00\nnotes\nb.WAV\n";
    TrackTable table;
    buildTrackTable(list, table);
    ASSERT_EQ(table.wavFiles.size(), 2u);
    table.wavFiles[0].info = {.sampleRate = 44100, .sampleFrames = 10000000};
    table.wavFiles[1].info = {.sampleRate = 44100, .sampleFrames = 2646000};
    EXPECT_EQ(formatReport(table, totalTime(table)),
              "\nFile Lengths \t\t\tmin:sec:frames\n\n"
              "1\ta.wav\t\t3:46:56\n"
              "2\tb.WAV\t\t1:0:0\n"
              "\nTotal Time:  4 min : 46 sec\n");
}

// On a terminal, a name cannot send it commands: its control characters are escaped.
TEST(Timing, ReportEscapesNamesForATerminal)
{
    const std::string name = "\x1b]0;pwned\x07\x1b[2J.wav";
    std::string list = name + "\n";
    TrackTable table;
    buildTrackTable(list, table);
    table.wavFiles[0].info = {.sampleRate = 44100, .sampleFrames = 2646000};
    const std::string report = formatReport(table, totalTime(table), true);
    EXPECT_NE(report.find("1\t\\033]0;pwned\\007\\033[2J.wav\t\t1:0:0\n"), std::string::npos) << report;
    EXPECT_NE(formatReport(table, totalTime(table)).find("1\t" + name + "\t\t"), std::string::npos);
}

TEST(Timing, ReportOfEmptyList)
{
    const TrackTable table;
    EXPECT_EQ(formatReport(table, {0, 0}), "\nFile Lengths \t\t\tmin:sec:frames\n\n\nTotal Time:  0 min : 0 sec\n");
}

}  // namespace
