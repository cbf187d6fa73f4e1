// Writing the cue sheet to its file, so that a failure never costs the old
// one, nor any file that is not a cue sheet.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "disc.h"
#include "failure.h"
#include "finding.h"
#include "wav_header.h"

// The cue file name that puts the cue sheet on standard output.
constexpr const char* standardOutputName = "-";

// Where writing the cue file stopped.
enum class CueStep : unsigned char {
    look,     // finding the file, its folder, or what the old file holds
    create,   // creating the new file in the folder
    write,    // writing it
    replace,  // putting it in the old file's place
};

// An old file that is kept although it could be written.
enum class CueRefusal : unsigned char {
    none,
    notACueSheet,     // it holds something else: audio, an image, binary data, other text, or the other kind of sheet
    emptyOverOldFile, // the new sheet is empty, the old file is not
};

// How writing the cue file went, and what the user should know about it.
struct CueOutcome {
    Sheet sheet = Sheet::cue;  // what is written
    int error = 0;  // the errno value of the call that failed; 0 when written, or refused
    CueStep step = CueStep::look;
    CueRefusal refusal = CueRefusal::none;
    std::string_view oldKind = {};  // what the old file was taken for, when it is no cue sheet
    std::string oldStart = {};      // its first line, shown when it is text
    bool stickyFolder = false;  // the old file's folder lets only owners rename over their files
    int otherLinks = 0;         // hard links that keep the old cue sheet
    bool ownerLost = false;     // its owner or group could not be kept
    bool inPlace = false;       // a device or FIFO, written in place
};

inline bool written(const CueOutcome& outcome)
{
    return outcome.error == 0 && outcome.refusal == CueRefusal::none;
}

// Writes text as the file called name. A regular file, new or old, is
// replaced whole by a new file put in the place the name leads to through
// symbolic links, with the old mode, owner and group: a failed write or a
// signal leaves the old file as it was and no temporary file. One that holds
// text already is only given the time of now. An old file that starts like
// audio, an image or binary data is kept, and so is any non-empty file when
// text is empty. A device or a FIFO is written in place. With dryRun, only what decides
// whether the file could be written is done: nothing is written or touched.
CueOutcome writeCueFile(const std::string& name, std::string_view text, bool dryRun = false, Sheet sheet = Sheet::cue);

// What the run reads, which no sheet may replace, whether the sheet names
// them relatively, and what kind of sheet it is.
struct CueInputs {
    const struct stat& list;
    const std::vector<WavFile>& files;
    bool relativeNames;
    Sheet sheet = Sheet::cue;
};

// "cue" or "TOC", as the messages name the file written.
const char* sheetWord(Sheet sheet);

// Writes the cue sheet cue to the file called name, or to standard output
// for "-", unless name is one of inputs; what the user should know of the
// file written, such as its other hard links, or a folder other than the one
// relative names are looked up from, goes to findings.
std::optional<Failure> writeCue(const std::string& name, std::string_view cue, const CueInputs& inputs, bool dryRun,
                                Findings& findings);

// Whether the first bytes of a file are those of a sheet of that kind: after
// a UTF-8 byte-order mark and blank lines, the first lines (CRLF or LF, any
// bytes) start with cue commands such as FILE, TRACK, TITLE, PERFORMER, REM
// or CATALOG, or with a TOC file's CD_DA, CD_TEXT or TRACK, past comments
// (//). Unless start is the whole file, a line cut off at its end is not
// looked at.
bool looksLikeSheetStart(std::string_view start, bool whole, Sheet sheet);

// Why the cue file called name was not written, for standard error.
std::string cueFailureReason(const CueOutcome& outcome, const std::string& name);

// A failure when standard output is a regular file and the one called name,
// where the report would mix with the cue sheet.
std::optional<Failure> standardOutputIsCueFile(const std::string& name);
