// Reading the command line.
#pragma once

#include <string>
#include <vector>

struct Options {
    bool strict = false;
    bool help = false;
    bool version = false;
    std::vector<const char*> arguments;  // the words that are not options, in order: the list, the cue file
    std::string unknown;                 // an option the tool does not take, as given; empty when none
};

// What the tool says when it is run without a list, and with --help before
// the options it takes.
extern const char* const usageText;
extern const char* const optionsText;

// Options may stand anywhere, as with GNU tools; "--" ends them. argv may be
// reordered.
Options readOptions(int argc, char* argv[]);
