// The disc that the list describes, built once the files are measured: its
// tracks with their lines, their places as the burner lays them out, their
// files and their CD-TEXT. Every check and every writer reads it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "track_table.h"

// What the disc is written as: a cue sheet, where every file is padded to
// whole sectors, or cdrdao's TOC file, where the files' audio runs on.
enum class Sheet : unsigned char { cue, toc };

// Why a split's track has no place on the disc.
enum class SplitFault : unsigned char {
    none,
    noTime,    // its time is no CD time
    pastEnd,   // at or past the end of its file
    notAfter,  // not after the split before it in the file
};

// A title and a performer as the disc stores them: Latin-1, no double quote,
// no more than a text of a cue sheet holds, never empty.
struct TextPair {
    std::string title;
    std::string performer;
};

// Every WAV and S line starts a track; a P line right after one gives that
// track its pregap. Places are in CD frames (sectors of 1/75 s), as cdrdao
// show-toc prints them.
struct DiscTrack {
    int startRow = 0;    // the WAV or S line that starts it
    int fileRow = 0;     // the WAV line of its file
    int pregapRow = -1;  // the P line that gives it a pregap, or -1
    int32_t pregap = 0;  // its length, 0 for none
    int32_t inFile = 0;  // where it starts in its file: an S line's time, 0 for a WAV line
    SplitFault fault = SplitFault::none;
    int previousSplit = -1;  // the row of the split before it in its file with a CD time, or -1
    int64_t start = -1;   // on the disc after its pregap, from the first track's pregap on; -1 when unknown
    int64_t length = -1;  // without its pregap; -1 when unknown
    // In a TOC file: its audio among all the files' audio, one after the
    // other, in sample frames of 1/44100 s: where it starts and how much.
    int64_t firstSample = 0;
    int64_t sampleCount = 0;
    // With CD-TEXT: apart, so that a disc without costs no memory for it.
    std::unique_ptr<TextPair> text;
};

struct Disc {
    const TrackTable* table = nullptr;
    std::vector<DiscTrack> tracks;
    // The pregaps and every file padded to whole sectors, as cdrdao toc-size
    // counts the disc: it needs no split to be right.
    int64_t length = 0;
    bool hasPregaps = false;
    bool hasCdText = false;
    Sheet sheet = Sheet::cue;
    int64_t samples = 0;  // of all the files' audio, in a TOC file
    TextPair text;  // the disc's own, with CD-TEXT

    const Row& startOf(const DiscTrack& track) const { return table->rows[track.startRow]; }
    const Row& fileRowOf(const DiscTrack& track) const { return table->rows[track.fileRow]; }
    const WavFile& fileOf(const DiscTrack& track) const { return table->wavFile(fileRowOf(track)); }
    bool startsFile(const DiscTrack& track) const { return track.startRow == track.fileRow; }
};

// The tracks of the measured table and their places as the burner lays them
// out from a sheet of that kind. In a cue sheet, a faulty split's track has
// no known start or length, nor has the track before it in its file; the
// track after it starts where its own split says. In a TOC file, it has no
// place, and its audio stays with the track before it.
Disc buildDisc(const TrackTable& table, Sheet sheet = Sheet::cue);

// The sample frames of a file's audio as a TOC file takes it: what it holds,
// without a tag chunk after it.
int64_t audioSamples(const WavFile& file);

// The CD frames of the audio a file holds, padded to a whole frame at its
// end, as a burner pads it.
int64_t fileFrames(const WavFile& file);

// The 2-second pregap of the first track lies before every position on the
// disc; the lead-out of a 74-minute and an 80-minute CD-R starts at 74:00:00
// and 79:59:74, which leaves them these many frames for the rest.
constexpr int64_t cdr74Frames = 74 * 60 * 75 - 150;
constexpr int64_t cdr80Frames = (79 * 60 + 59) * 75 + 74 - 150;
