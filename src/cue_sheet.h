// Building the cue sheet from the disc.
#pragma once

#include <string>

#include "disc.h"

// The cue text for every track of the disc. Time texts are copied from the
// list as they stand, but for a title after a split's time; nothing measured
// from the WAV files is used. With CD-TEXT, the disc and every track get
// their TITLE and PERFORMER.
std::string buildCueText(const Disc& disc);
