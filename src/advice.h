// The commands the tool suggests, built around the user's own file names,
// so that each can be run as it stands.
#pragma once

#include <string>
#include <string_view>

// name in double quotes, as a shell takes it; a quote, dollar, backquote or
// backslash in it is escaped.
std::string quoted(std::string_view name);

// The name of a new file beside name for the CD's version of it: name
// without its extension, and "-cd.wav" (or ".wav" where name is not a WAV
// file).
std::string cdName(std::string_view name);

// A command that decodes the sound file name to a CD's WAV file.
std::string ffmpegCommand(std::string_view name);

// A command that rewrites the WAV file name as CD audio: 44100 Hz, 16-bit,
// stereo, in a plain RIFF file. options go before the input, effects after
// the output.
std::string soxCommand(std::string_view name, std::string_view options = "", std::string_view effects = "");
