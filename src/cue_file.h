// Writing the cue sheet to its file, so that a failure never costs the old one.
#pragma once

#include <string>
#include <string_view>

// What the user should know about a replaced cue file.
struct CueNotes {
    int otherLinks = 0;      // hard links that keep the old cue sheet
    bool ownerLost = false;  // its owner or group could not be kept
    bool inPlace = false;    // a device or FIFO, written in place
};

// Writes text as the file called name and returns 0, or the errno value of
// the failure. A regular file, new or old, is replaced whole by a new file
// renamed over the file its name leads to through symbolic links, with the
// old mode, owner and group: a failed write or a signal leaves the old file
// as it was and no temporary file. One that holds text already is only
// given the time of now. A device or a FIFO is written in place.
int writeCueFile(const std::string& name, std::string_view text, CueNotes& notes);

// Whether standard output is a regular file and the one called name.
bool cueIsStandardOutputFile(const std::string& name);
