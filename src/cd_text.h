// CD-TEXT: the disc's and every track's title and performer, chosen from the
// files' tags and names, and written as cdrdao burns them from a cue sheet.
#pragma once

#include <string>
#include <string_view>

#include "disc.h"
#include "finding.h"

// cdrdao takes at most this many bytes in a text, and one language block of
// this many packs of 12 bytes, 3 of them size packs.
constexpr size_t longestCdText = 80;
constexpr int cdTextPacks = 256;

// A text in UTF-8 (or bytes that are not, taken as Latin-1) as the disc gets
// it from a sheet of that kind: in Latin-1, where a character Latin-1 lacks
// becomes its nearest ASCII form or "?" (replaced), a double quote made a
// single one in a cue sheet, which cannot hold it, and control characters
// blanks; cut (cut) to 80 bytes, the most cdrdao reads of a text in a cue
// sheet, where a backslash is written "\134" and counts as four, and no
// blank left at its end.
struct FitText {
    std::string text;
    bool replaced = false;
    bool cut = false;
};
FitText fitCdText(std::string_view text, Sheet sheet = Sheet::cue);

// A text as the disc gets it, in UTF-8 for the user's terminal.
std::string shownText(std::string_view stored);

// The packs of 12 bytes that cdrdao needs for the disc's texts, each field
// over the disc and all tracks, and the 3 size packs.
int cdTextPackCount(const Disc& disc);

// The texts of the disc and every track. A track's title is its file's title
// tag, or for a track started by an S line the title after its time; else a
// title made of the file's name, else "Track N". A track's performer is its file's artist
// tag, else the disc's. The disc's title is the first album tag in the list,
// else fallbackTitle; its performer the first album artist tag, else the
// artist that every file with one gives, else "Various Artists". What had to
// change to fit a CD, a disc whose texts a block cannot hold, and files
// without tags among tagged ones are added to findings.
void chooseCdText(Disc& disc, std::string_view fallbackTitle, Findings& findings);

// A title made of a file name: no folder, no .wav (nor the extension of a
// sound file to convert), no track number before it ("03 - ", "03. ", "03_").
std::string titleFromName(std::string_view name);
