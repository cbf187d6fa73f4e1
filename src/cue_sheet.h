// Building the cue sheet from the track table.
#pragma once

#include <string>

#include "track_table.h"

// The cue text for every row of the table. Time texts are copied from the
// list as they stand; nothing measured from the WAV files is used.
std::string buildCueText(const TrackTable& table);
