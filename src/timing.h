// Playing times of the WAV entries and the length report.
#pragma once

#include <cstdint>
#include <string>

#include "track_table.h"

struct TrackTime {
    int minutes;
    int seconds;
    int cdFrames;  // 1/75 s, the rest after the seconds, never rounded up
};

struct TotalTime {
    int64_t minutes;  // 128 of the longest files exceed an int
    int seconds;
};

// The length of sampleFrames (0 to 2^32) at sampleRate (1 to 2^32) as whole
// minutes, seconds and CD frames, each truncated.
TrackTime trackTime(int64_t sampleFrames, int64_t sampleRate);

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

// The report: a header, one numbered line per WAV row, and the total.
std::string formatReport(const TrackTable& table, TotalTime total);
