// Checking the disc that the cue sheet describes against what a CD and a
// burner accept, from what the run has already read: nothing is read here.
#pragma once

#include <string>
#include <vector>

#include "finding.h"
#include "track_table.h"

// What would spoil the disc, in the order of the rules; sortByLine puts them
// in the order of the list. Needs every WAV row measured.
std::vector<Finding> checkDisc(const TrackTable& table);
