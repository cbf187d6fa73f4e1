// Checking the disc that the cue sheet describes against what a CD and a
// burner accept, from what the run has already read: nothing is read here.
#pragma once

#include <string>
#include <vector>

#include "track_table.h"

struct Finding {
    int lineNumber;  // the line of the list it is about, or 0 for the whole disc
    std::string text;
};

// What would spoil the disc, in the order of the list; the whole disc last.
// Needs every WAV row measured.
std::vector<Finding> checkDisc(const TrackTable& table);
