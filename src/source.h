// Sound files that a CD cannot take as they are, to be converted: FLAC,
// Ogg Vorbis, Opus, MP3 and AIFF files, and WAV files that are not CD audio.
// What each holds is read without decoding it, where its header says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags.h"
#include "wav_header.h"

// Whether name ends in the extension of a kind of sound file that is
// converted: .flac, .ogg, .oga, .opus, .mp3, .aif, .aiff or .aifc, in any case.
bool namesConvertibleFile(std::string_view name);

// Whether name names a sound file to convert that is there, a regular file.
bool isSourceFile(const char* name);

// Whether a WAV file is to be converted: not 44100 Hz, 16-bit, stereo PCM, or
// in a form cdrdao refuses (RF64, big-endian, its audio before its format).
bool needsConversion(const WavInfo& info);

// The format of a source and its length in sample frames.
struct SourceFormat {
    int64_t sampleRate = 0;
    int channels = 0;
    int64_t sampleFrames = 0;
};

// Where a source goes: the CD audio it becomes, in the folder of --convert.
struct Conversion {
    std::string target;   // the converted WAV file, as the sheet names it
    std::string mark;     // what the converted file says of its source (ISFT), so that it is known again
    SourceFormat format;  // the source's, when it is to be converted
    bool done = false;    // the target holds this source's conversion already
};

// The sample frames of CD audio that frames at sampleRate become, as the
// resampler makes them: the exact length rounded to the nearest, a half up.
int64_t convertedFrames(int64_t frames, int64_t sampleRate);

// What the source file at path holds: a FLAC file's STREAMINFO, else what
// libsndfile reads of it, loading the libraries only then; none, with why in
// reason, when it cannot be read.
std::optional<SourceFormat> readSourceFormat(const char* path, std::string& reason);

// The tags a source carries: a FLAC or Ogg file's Vorbis comment, an MP3
// file's ID3v2 tag, a WAV file's LIST/INFO and ID3 chunks, and, where the
// libraries are loaded, what libsndfile reads of the others.
Tags readSourceTags(const char* path);
