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

// The length of sampleFrames at sampleRate (above 0) as minutes, seconds and CD frames.
TrackTime trackTime(int64_t sampleFrames, int64_t sampleRate);

// The length in seconds, as it is added to the total.
float trackSeconds(int64_t sampleFrames, int64_t sampleRate);

TotalTime totalTime(float totalSeconds);

// Fills the time columns of every WAV row and returns the total in seconds.
float computeTimes(TrackTable& table);

// The report: a header, one numbered line per WAV row, and the total.
std::string formatReport(const TrackTable& table, float totalSeconds);
