// The disc before burning: its tracks as the burner lays them out, how full
// a CD-R it makes, and the command that burns it.
#pragma once

#include <string>
#include <string_view>

#include "disc.h"

// One line per track, with fixed columns: its number, its start on the disc
// and its length as MM:SS:FF, its pregap, its file (and the time of its S
// line), and its title with CD-TEXT; then the disc's length and how much of
// a 74- and an 80-minute CD-R it fills, and the cdrdao command for cueName.
// With escapeNames, control characters in names are shown escaped.
std::string formatListing(const Disc& disc, std::string_view cueName, bool escapeNames = false);
