// CD-TEXT: the disc's and every track's title and performer, chosen from the
// files' tags and names, and written as cdrdao burns them from a cue sheet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "finding.h"
#include "track_table.h"

// A title and a performer as the cue sheet writes them: Latin-1, no double
// quote, backslashes as cdrdao reads them, at most 80 bytes, never empty.
struct TextPair {
    std::string title;
    std::string performer;
};

struct CdText {
    TextPair disc;
    std::vector<TextPair> tracks;  // in the order of listTracks
};

// cdrdao takes at most this many bytes in a text, and one language block of
// this many packs of 12 bytes, 3 of them size packs.
constexpr size_t longestCdText = 80;
constexpr int cdTextPacks = 256;

// A text in UTF-8 (or bytes that are not, taken as Latin-1) as a cue sheet
// gives it to cdrdao: in Latin-1, where a character Latin-1 lacks becomes its
// nearest ASCII form or "?" (replaced), a double quote made a single one,
// control characters blanks, and every backslash written "\134", since
// cdrdao takes a backslash before any digit for an escape; cut to the 80
// bytes cdrdao reads of it, escapes counted as written and never cut in two
// (cut), and no blank left at its end.
struct CueText {
    std::string text;
    bool replaced = false;
    bool cut = false;
};
CueText cueText(std::string_view text);

// A text as the disc gets it, in UTF-8 for the user's terminal.
std::string shownText(std::string_view written);

// The packs of 12 bytes that cdrdao needs for the texts of cdText, each
// field over the disc and all tracks, and the 3 size packs.
int cdTextPackCount(const CdText& cdText);

// The texts of the disc and every track. A track's title is its file's title
// tag, or for a track started by an S line the title after its time; else a
// title made of the file's name, else "Track N". A track's performer is its file's artist
// tag, else the disc's. The disc's title is the first album tag in the list,
// else fallbackTitle; its performer the first album artist tag, else the
// artist that every track's file gives, else "Various Artists". What had to
// change to fit a CD, and a disc whose texts a block cannot hold, are added
// to findings.
CdText chooseCdText(const TrackTable& table, std::string_view fallbackTitle, std::vector<Finding>& findings);

// A title made of a file name: no folder, no .wav, no track number before it
// ("03 - ", "03. ", "03_").
std::string titleFromName(std::string_view name);
