// The tool's own complaints and warnings, on standard error, so that the
// report and the messages on standard output stay as scripts expect them.
#pragma once

#include <string_view>

// Prints "trelvask: SUBJECT: TEXT" as one line.
void complain(std::string_view subject, std::string_view text);
