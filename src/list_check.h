// The user's own slips in the track list: lines that do not do what they
// look meant to do. Only the list is looked at, so that the slips are named
// even when a WAV file cannot be used.
#pragma once

#include <functional>

#include <sys/stat.h>

#include "finding.h"
#include "track_table.h"

// What a name leads to in the file system.
enum class PathKind { none, file, folder };
using LookUp = std::function<PathKind(const char* name)>;

// What the file system holds under name; nothing that is to be left off the
// disc for the list itself (list), which "ls > tlist.txt" names in it.
PathKind lookUpPath(const char* name, const struct stat& list);

// What the run does that the slips depend on: whether the titles after split
// times go on the disc, and whether sound files of other kinds are converted.
struct ListChecks {
    bool cdText = false;
    bool convert = false;
};

// Adds the slips to findings. lookUp is asked only about a line that says
// nothing the rules know, to tell a file left off the disc from a note.
void checkList(const TrackTable& table, const LookUp& lookUp, const ListChecks& checks, Findings& findings);
