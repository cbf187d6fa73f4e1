// Reading the command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "failure.h"

struct Options {
    bool strict = false;
    bool cdText = false;
    bool tracks = false;
    bool dryRun = false;
    bool toc = false;  // write cdrdao's TOC file instead of a cue sheet
    std::string convertInto;  // --convert: the folder that sources are converted into
    bool help = false;
    bool version = false;
    std::vector<const char*> arguments;  // the words that are not options, in order: the list, the cue file
    std::string unknown;                 // a word that starts with - but is no option, whole; empty when none
    std::string missingValue;            // an option that takes a value given none
};

// What the tool says when it is run without a list, and with --help before
// the options it takes.
extern const char* const usageText;
extern const char* const optionsText;

// Options may stand anywhere, as with GNU tools, and letters may go
// together (-h); "--" ends them, and "-" alone is a name. Reading stops at
// the first word that is no option.
Options readOptions(int argc, char* argv[]);

// What the user may have meant by an unknown option, such as "did you mean
// --strict?"; empty when nothing is likely.
std::string unknownOptionHint(std::string_view word);

// The failure of a command line with an unknown or ambiguous option, or an
// option without the value it takes.
Failure optionFailure(const Options& options);
