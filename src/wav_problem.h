// What the user is told about a WAV line that cannot be used.
#pragma once

#include <string>
#include <string_view>

#include "failure.h"

// The line for standard error: the name, the reason, and what to do, where
// the slip is a common one. besideList is the list's folder when a file of
// that name is there, else empty; firstLine tells the list's first line.
std::string wavProblemText(std::string_view name, const Failure& failure, bool firstLine, std::string_view besideList);
