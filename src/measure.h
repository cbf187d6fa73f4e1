// Measuring the WAV file of every WAV line of the list.
#pragma once

#include <optional>
#include <string>

#include "failure.h"
#include "finding.h"
#include "list_file.h"
#include "track_table.h"

// What is read of a file beyond its length.
struct Wanted {
    bool tags = false;     // for CD-TEXT
    bool endings = false;  // how CD audio in part sectors ends, where a cue sheet pads it
    std::string convertInto = {};  // the folder of --convert, or empty
};

// Measures every WAV row of table. With --convert, a source that is to be
// made CD audio is measured as it will be: from its conversion made before,
// or predicted from its header. Every WAV line that cannot be used is named
// among findings, so that one run finds them all; the failure of the first
// is returned, for the run to stop at, as a WAV problem always has.
std::optional<Failure> measureFiles(TrackTable& table, const ListFile& list, const Wanted& wanted, Findings& findings);

// Measures the file each source was converted into now, in place of its
// prediction, with its tags and how it ends.
std::optional<Failure> measureConverted(TrackTable& table, const Wanted& wanted);
