// Making CD audio of the sources of a list: FLAC, Ogg, Opus, MP3, AIFF and
// WAV files that are not CD audio, converted once into the folder of
// --convert, with their tags, so that the sheet names WAV files a CD takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "failure.h"
#include "tags.h"
#include "track_table.h"

// The name of the converted file of source in folder: its name without its
// folder and extension, and .wav ("-cd.wav" for a WAV file); with same tells
// that another source of the list has that name, a short hash of the
// source's path keeps the two apart, the same on every run.
std::string convertedName(const std::string& folder, std::string_view source, bool sameNameElsewhere);

// What a converted file says of its source, so that a rerun knows it for
// this conversion of this source, from any folder: its name without its
// folder, its size and its time of change.
std::string conversionMark(std::string_view source, const struct stat& status);

// Whether the software tag of a file marks it as one this tool converted.
bool isConversion(std::string_view software);

// The bytes of a converted file's header: RIFF and WAVE, a format chunk of
// 44100 Hz, 16-bit, stereo PCM, a LIST/INFO chunk with the tags (INAM, IART,
// IPRD, IAAR) and the mark (ISFT), and the header of a data chunk of frames
// sample frames, which follow it.
std::string cdWavHeader(int64_t frames, const Tags& tags, std::string_view mark);

// Samples in [-1, 1) made 16-bit with TPDF dither of one least significant
// bit, from the random state given.
void ditherTo16(const float* samples, int16_t* out, size_t count, uint64_t& random);

// Converts every source of table that is to be converted, on every core,
// showing its progress on standard error when that is a terminal: into a
// new file in folder, named only once it is whole, which replaces an old
// conversion of a changed source. Before the first byte is written, the
// folder is made when missing and its free space checked. A source that
// cannot be decoded fails with exit status 2; the folder, with 3.
std::optional<Failure> convertSources(TrackTable& table, const std::string& folder);
