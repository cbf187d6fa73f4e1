// Writing the cue sheet to its file, so that a failure never costs the old one.
#pragma once

#include <string>
#include <string_view>

// Writes text as the file called name and returns 0, or the errno value of
// the failure. An existing regular file with one link is replaced whole, by
// a new file renamed over it: a failed write leaves it as it was. Any other
// file (a device, a FIFO, a file with more links) is written in place, and
// a file that is standard output gets the text after what was printed there.
int writeCueFile(const std::string& name, std::string_view text);
