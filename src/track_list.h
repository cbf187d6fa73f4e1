// Splitting the track list into lines and classifying them.
#pragma once

#include <string>

#include "track_table.h"

// Fills lineText, lineNumber, isWav, lineKind, isPregap and laterWavNames from
// the whole list file and returns entryCount. Lines are split in place:
// listBuffer must outlive table.
int buildTrackTable(std::string& listBuffer, TrackTable& table);
