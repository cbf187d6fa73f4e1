#include "timing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
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
    {2646000, 44100, {1, 0, 0}},        // exactly a minute
    {18521999, 44100, {6, 59, 74}},     // above 2^24 frames, one frame short of 7 minutes
    {272538000, 44100, {103, 0, 0}},
    {1349460, 44100, {0, 30, 45}},
    {0, 44100, {0, 0, 0}},
    {23039999, 384000, {0, 59, 74}},    // a float cannot hold the rest here
    {0xFFFFFFFF, 44100, {1623, 11, 41}},  // one-byte frames, the largest data size
    // Found by fuzzing: 2^24 minutes and more, which a float cannot hold.
    {0xFFFFFFFF, 1, {71582788, 15, 0}},
    {2147483647, 2, {17895697, 3, 37}},
    // Found by fuzzing: rates a float cannot hold, 2^27 Hz and 2^24 + 3 Hz
    // (which a float rounds up), gave 75 CD frames and 60 seconds.
    {2147483647, 134217728, {0, 15, 74}},
    {1006633140, 16777219, {1, 0, 0}},
    {1006633139, 16777219, {0, 59, 74}},
};

class TrackTimeTest : public testing::TestWithParam<TimeCase> {};

TEST_P(TrackTimeTest, Decomposes)
{
    EXPECT_EQ(trackTime(GetParam().frames, GetParam().rate), GetParam().time);
}

INSTANTIATE_TEST_SUITE_P(Examples, TrackTimeTest, testing::ValuesIn(timeCases));

TEST(Timing, TotalAddsFractionsNotListedSeconds)
{
    const float oneFile = trackSeconds(1349460, 44100);
    EXPECT_EQ(totalTime(0.0f).minutes, 0);
    EXPECT_EQ(totalTime(oneFile + oneFile).minutes, 1);
    EXPECT_EQ(totalTime(oneFile + oneFile).seconds, 1);
    // 128 files of 2^32 frames at 1 Hz come near 2^39 seconds.
    EXPECT_EQ(totalTime(549755813888.0f).minutes, 9162596898);
    EXPECT_EQ(totalTime(549755813888.0f).seconds, 0);
}

// Pseudo-random cases, and cases that catch a step done in the wrong precision,
// from timing_reference.py, which emulates each single and double precision
// step apart from this code. Each group of files goes through one track table.
TEST(Timing, MatchesReferenceTable)
{
    std::ifstream cases(TIMING_CASES_FILE);
    ASSERT_TRUE(cases) << TIMING_CASES_FILE;
    std::string line;
    int checked = 0;
    TrackTable table;
    std::vector<std::pair<TrackTime, std::string>> expected;
    while (std::getline(cases, line)) {
        if (line.starts_with('#'))
            continue;
        std::istringstream fields(line);
        if (line.starts_with("total")) {
            std::string word;
            TotalTime total{};
            fields >> word >> total.minutes >> total.seconds;
            const TotalTime computed = totalTime(computeTimes(table));
            EXPECT_EQ(computed.minutes, total.minutes) << line;
            EXPECT_EQ(computed.seconds, total.seconds) << line;
            for (int row = 0; row < table.entryCount; ++row) {
                const TrackTime time{table.minutes[row], table.seconds[row], table.cdFrames[row]};
                EXPECT_EQ(time, expected[row].first) << expected[row].second;
            }
            checked += table.entryCount;
            table = TrackTable{};
            expected.clear();
            continue;
        }
        int64_t rate = 0;
        int64_t frames = 0;
        TrackTime time{};
        TotalTime fileTotal{};
        fields >> rate >> frames >> time.minutes >> time.seconds >> time.cdFrames >> fileTotal.minutes >>
            fileTotal.seconds;
        ASSERT_TRUE(fields) << line;
        ASSERT_LT(table.entryCount, maxRows);
        const int row = table.entryCount++;
        table.isWav[row] = true;
        table.sampleRate[row] = rate;
        table.sampleFrames[row] = frames;
        expected.emplace_back(time, line);
        const TotalTime computed = totalTime(trackSeconds(frames, rate));
        EXPECT_EQ(computed.minutes, fileTotal.minutes) << line;
        EXPECT_EQ(computed.seconds, fileTotal.seconds) << line;
    }
    EXPECT_GT(checked, 400);
}

// Every rate a header can declare, and lengths on and around whole minutes
// and seconds: each column stays in its range, and the time is at most one
// CD frame off the exact one, where single precision rounds the fraction.
TEST(Timing, EveryRateStaysInRange)
{
    std::mt19937_64 random(2026);
    for (int draw = 0; draw < 200000; ++draw) {
        const int64_t rate = draw % 2 ? 1 + static_cast<int64_t>(random() % 0xFFFFFFFF)
                                      : 1 + static_cast<int64_t>(random() % (1 << 25));
        int64_t frames = static_cast<int64_t>(random() % 0x100000000);
        if (draw % 3 == 0) {
            const int64_t wholeSeconds = frames / rate;
            frames = std::clamp<int64_t>(wholeSeconds * rate + static_cast<int64_t>(random() % 5) - 2, 0, 0xFFFFFFFF);
        }
        const TrackTime time = trackTime(frames, rate);
        ASSERT_GE(time.minutes, 0) << frames << " frames at " << rate << " Hz";
        ASSERT_TRUE(time.seconds >= 0 && time.seconds <= 59) << frames << " frames at " << rate << " Hz";
        ASSERT_TRUE(time.cdFrames >= 0 && time.cdFrames <= 74) << frames << " frames at " << rate << " Hz";
        const int64_t listed = (int64_t{time.minutes} * 60 + time.seconds) * 75 + time.cdFrames;
        const int64_t exact = frames * 75 / rate;
        ASSERT_LE(std::abs(listed - exact), 1) << frames << " frames at " << rate << " Hz";
    }
}

TEST(Timing, ReportNumbersWavRowsOnly)
{
    std::string list = "a.wav\nS 01:00:00\nP 00:02:00\nnotes\nb.WAV\n";
    TrackTable table;
    buildTrackTable(list, table);
    table.sampleRate[0] = 44100;
    table.sampleFrames[0] = 10000000;
    table.sampleRate[4] = 44100;
    table.sampleFrames[4] = 2646000;
    const float total = computeTimes(table);
    EXPECT_EQ(formatReport(table, total),
              "\nFile Lengths \t\t\tmin:sec:frames\n\n"
              "1\ta.wav\t\t3:46:56\n"
              "2\tb.WAV\t\t1:0:0\n"
              "\nTotal Time:  4 min : 46 sec\n");
}

TEST(Timing, ReportOfEmptyList)
{
    const TrackTable table;
    EXPECT_EQ(formatReport(table, 0.0f), "\nFile Lengths \t\t\tmin:sec:frames\n\n\nTotal Time:  0 min : 0 sec\n");
}

}  // namespace
