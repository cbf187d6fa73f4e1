// What the user is told about a WAV line that cannot be used.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "failure.h"
#include "wav_header.h"

// Why the file of the WAV line wavName cannot be used, in the user's terms,
// as the reader left it; none when it can.
std::optional<Failure> wavFailure(const char* wavName, const WavFile& file);

// What the run knows of a name that was not found, to tell a common slip.
struct NotFoundClues {
    bool firstLine = false;          // the name is on the list's first line
    std::string_view besideList;     // the list's folder, when a file of that name is there
    std::string_view asWindows1252;  // the name read as Windows-1252 or Latin-1, when a file has it
    std::string_view toUtf8;         // then the command that saves the list as UTF-8
};

// The line for standard error: the name, the reason, and what to do, where
// the slip is a common one.
std::string wavProblemText(std::string_view name, const Failure& failure, const NotFoundClues& clues);
