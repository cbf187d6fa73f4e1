// Building the cue sheet from the track table and writing it out.
#pragma once

#include <string>

#include "track_table.h"

// The cue text for rows 0 to entryCount - 1. Time texts are copied from the
// list as they stand; nothing measured from the WAV files is used.
std::string buildCueText(const TrackTable& table);

// Writes text to the file called name; false if it could not be written whole,
// in which case a regular file that was partly written is removed.
bool writeCueFile(const std::string& name, const std::string& text);
