// The disc as the burner lays it out from the cue sheet: where each track
// starts and how long it lasts, in CD frames (sectors of 1/75 s), as cdrdao
// show-toc prints them.
#pragma once

#include <cstdint>
#include <vector>

#include "track_list.h"
#include "track_table.h"

// Why a split's track has no place on the disc.
enum class SplitFault : unsigned char {
    none,
    noTime,    // its time is no CD time
    pastEnd,   // at or past the end of its file
    notAfter,  // not after the split before it in the file
};

struct PlacedTrack {
    int64_t start = -1;   // on the disc after its pregap, from the first track's pregap on; -1 when unknown
    int64_t length = -1;  // without its pregap; -1 when unknown
    int64_t pregap = 0;
    int64_t inFile = 0;  // where it starts in its file: an S line's time
    SplitFault fault = SplitFault::none;
    int previousSplit = -1;  // the row of the split before it in its file with a CD time, or -1
};

struct DiscLayout {
    std::vector<PlacedTrack> tracks;  // one for each of listTracks, in order
    // The pregaps and every file padded to whole sectors, as cdrdao toc-size
    // counts the disc: it needs no split to be right.
    int64_t length = 0;
    bool hasPregaps = false;
};

// The CD frames of the audio a file holds, padded to a whole frame at its
// end, as a burner pads it.
int64_t fileFrames(const WavFile& file);

// Lays out every track of the measured table. A faulty split's track has no
// known start or length, nor has the track before it in its file; the track
// after it starts where its own split says.
DiscLayout layOutDisc(const TrackTable& table, const std::vector<Track>& tracks);

// The 2-second pregap of the first track lies before every position on the
// disc; the lead-out of a 74-minute and an 80-minute CD-R starts at 74:00:00
// and 79:59:74, which leaves them these many frames for the rest.
constexpr int64_t cdr74Frames = 74 * 60 * 75 - 150;
constexpr int64_t cdr80Frames = (79 * 60 + 59) * 75 + 74 - 150;
