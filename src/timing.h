// Playing times of the WAV entries and the length report.
#pragma once

#include <cstdint>
#include <string>

#include "track_table.h"

struct TrackTime {
    int64_t minutes;
    int seconds;
    int cdFrames;  // 1/75 s, the rest after the seconds, never rounded up
};

struct TotalTime {
    int64_t minutes;
    int seconds;
};

// The length of sampleFrames (0 to 2^63) at sampleRate (1 to 2^32) as whole
// minutes, seconds and CD frames, each truncated.
TrackTime trackTime(int64_t sampleFrames, int64_t sampleRate);

// A count of CD frames as minutes, seconds and CD frames.
TrackTime splitCdFrames(int64_t cdFrames);

// How a time is shown: as the report shows lengths (3:46:56), or in the
// fixed columns of cdrdao's listing (03:46:56, and --:--:-- for a negative,
// unknown time).
enum class TimeStyle : unsigned char { report, listing };
std::string formatCdTime(const TrackTime& time, TimeStyle style = TimeStyle::report);

// a + b, or the largest int64_t where that is more: no disc comes near it.
int64_t addSaturating(int64_t a, int64_t b);

// The length of sampleFrames at sampleRate in whole CD frames: rounded down,
// or up, as a burner pads a part frame to a whole one; saturating.
int64_t cdFramesFloor(int64_t sampleFrames, int64_t sampleRate);
int64_t cdFramesCeil(int64_t sampleFrames, int64_t sampleRate);

// The exact sum of lengths in seconds, kept as whole seconds and a fraction.
struct SecondsSum {
    int64_t whole = 0;
    uint64_t numerator = 0;    // always below denominator
    uint64_t denominator = 1;  // the least common multiple of the rates added so far
};

void addLength(SecondsSum& sum, int64_t sampleFrames, int64_t sampleRate);

TotalTime totalTime(const SecondsSum& sum);

// The total of every WAV row's length; every row must be measured.
TotalTime totalTime(const TrackTable& table);

// The report: a header, one numbered line per WAV row, and the total. With
// escapeNames, control characters in names are shown escaped, for a terminal.
std::string formatReport(const TrackTable& table, TotalTime total, bool escapeNames = false);
