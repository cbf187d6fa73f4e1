// Measuring the WAV file of every WAV line of the list.
#pragma once

#include <optional>

#include "failure.h"
#include "finding.h"
#include "list_file.h"
#include "track_table.h"

// Measures every WAV row of table, with its tags when cdText asks for them.
// Every WAV line that cannot be used is named among findings, so that one run
// finds them all; the failure of the first is returned, for the run to stop
// at, as a WAV problem always has.
std::optional<Failure> measureFiles(TrackTable& table, const ListFile& list, bool cdText, Findings& findings);
