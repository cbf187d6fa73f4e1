// Splitting the track list into lines and classifying them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text_encoding.h"
#include "track_table.h"

// Says whether a line names a sound file to convert, which is a WAV line too.
using SourceTest = std::function<bool(const char* line)>;

// Fills a row for every line of the list file and an unmeasured WavFile for
// each WAV row, and returns entryCount. Lines are split in place:
// listBuffer must outlive table. With isSource, a line it says yes to is a
// WAV line, whatever letter it starts with.
int buildTrackTable(std::string& listBuffer, TrackTable& table, const SourceTest& isSource = {});

// Whether line holds ".wav" in any mix of case; only .wav and .WAV make a WAV
// line.
bool namesWavInAnyCase(std::string_view line);

// The time an S or P line carries: the text after the letter and one
// separator, whatever that separator is.
std::string_view timeText(std::string_view line);

// The time of an S or P line as burners read it, without the blanks around
// it, which the cue sheet keeps: for an S line, the first word, as a title
// may follow it.
std::string_view lineTime(std::string_view line);

// The title written after the time of an S line, as in "S 04:10:00 Night
// Song"; empty when there is none, or the time is no CD time.
std::string_view splitTitle(std::string_view line);

// A time text mm:ss:ff in CD frames (1/75 s), or -1 when it is not one: three
// groups of one or two digits, seconds below 60 and frames below 75.
int32_t cdTimeFrames(std::string_view text);
