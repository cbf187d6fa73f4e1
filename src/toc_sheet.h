// Building cdrdao's own TOC file from the disc: the files' audio one after
// the other, with no silence between them but the pregaps'.
#pragma once

#include <string>

#include "disc.h"

// The TOC text for the disc laid out for a TOC file: every track's audio as
// FILE lines of sample-exact starts and lengths, a P line's pregap as
// PREGAP, and with CD-TEXT the disc's and every track's TITLE and
// PERFORMER, with the language map cdrdao needs to burn them.
std::string buildTocText(const Disc& disc);
