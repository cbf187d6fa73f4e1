// How a run ends: the exit statuses, and the one value a failing step hands
// back to the run, which reports it.
#pragma once

#include <string>

// Scripts rely on these numbers.
enum class Exit : int {
    done = 0,
    noList = 1,  // usage text shown, a bad command line, or the list unreadable
    wavProblem = 2,
    cueNotWritten = 3,
    strictWarnings = 4,  // --strict, and the burn check warned
    outputFailed = 5,    // standard output could not be written
};

struct Failure {
    Exit status;
    std::string message;  // the line for standard output, as the tool has always printed it
    std::string subject;  // what the line on standard error names; none when empty
    std::string reason;
    int error = 0;  // the system's error number, when a call failed
};
