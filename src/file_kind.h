// What a file's first bytes say it holds: the formats a user may name in
// place of a WAV file or a cue sheet by mistake.
#pragma once

#include <string>
#include <string_view>

// A name for the kind of file that start (its first bytes) begins like, such
// as "FLAC" or "JPEG"; empty when it begins like none of them.
std::string_view fileKind(std::string_view start);

// Whether start begins like a WAV file of any byte order.
bool startsLikeWav(std::string_view start);

// kind with "a" or "an" before it, as it is read out: "an MP3", "a FLAC".
std::string withArticle(std::string_view kind);
