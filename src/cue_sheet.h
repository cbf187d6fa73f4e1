// Building the cue sheet from the track table.
#pragma once

#include <string>

#include "cd_text.h"
#include "track_table.h"

// The cue text for every row of the table. Time texts are copied from the
// list as they stand, but for a title after a split's time; nothing measured
// from the WAV files is used. With cdText, the disc and every track get their
// TITLE and PERFORMER.
std::string buildCueText(const TrackTable& table, const CdText* cdText = nullptr);
