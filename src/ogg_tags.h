// The tags of an Ogg Vorbis or Opus file: its comment header, the second
// packet of its first stream, read from the file's first pages.
#pragma once

#include <string_view>

#include "tags.h"

// Fills tags from the comment header that the pages in head hold; a header
// that runs on past head gives what head holds of it.
void readOggTags(std::string_view head, Tags& tags);
