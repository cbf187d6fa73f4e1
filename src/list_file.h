// Choosing the track list, reading it whole, and its text encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "failure.h"
#include "finding.h"
#include "options.h"

// Read whenever it is in the current folder, even when a list is named.
constexpr const char* defaultListName = "tlist.txt";
// The list name that reads standard input.
constexpr const char* standardInputName = "-";

struct ListFile {
    std::string name;
    std::string contents;  // as read, with UTF-16 made UTF-8
    struct stat status;
    const char* passedOver = nullptr;  // the list named on the command line, when tlist.txt was read instead
};

// Reads tlist.txt, or else the list that the first argument names, or
// standard input for -; with neither, the failure shows the usage text. A
// WAV file, a cue sheet or UTF-16 that does not decode is no list. A
// tlist.txt that cannot be read is noted in findings.
std::optional<Failure> readList(const Options& options, ListFile& list, Findings& findings);

// Adds the slips of the command line that still leave a cue sheet to write,
// to outputName, to findings: a list named but passed over, and arguments
// after the cue file.
void checkArguments(const Options& options, const ListFile& list, const std::string& outputName, Findings& findings);

// Whether bytes start with a UTF-16 byte-order mark, as Windows editors write.
bool startsWithUtf16Mark(std::string_view bytes);

// A list saved as UTF-16 with a byte-order mark becomes UTF-8, without the
// mark; true when it did. Any other list, or UTF-16 that does not decode,
// stays as it is.
bool decodeUtf16List(std::string& contents);

// The command that saves the list again as UTF-8, from encoding.
std::string toUtf8Command(const ListFile& list, std::string_view encoding);

// Whether bytes start like UTF-16 text saved without a byte-order mark: a
// NUL byte in every other byte.
bool looksLikeUtf16WithoutMark(std::string_view bytes);

// Whether text is a cue sheet, with FILE, TRACK and INDEX lines.
bool looksLikeCueSheet(std::string_view text);
