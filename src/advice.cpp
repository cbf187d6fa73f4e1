#include "advice.h"

#include <algorithm>

namespace {

// The extension of name, with its dot: ".flac" of "a.b/song.flac"; empty
// when it has none.
std::string_view extension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    if (dot == std::string_view::npos || dot == 0 || (slash != std::string_view::npos && dot <= slash + 1))
        return {};
    return name.substr(dot);
}

bool isWavExtension(std::string_view ending)
{
    return ending.size() == 4 && (ending[1] | 0x20) == 'w' && (ending[2] | 0x20) == 'a' && (ending[3] | 0x20) == 'v';
}

}  // namespace

std::string quoted(std::string_view name)
{
    std::string text;
    text.reserve(name.size() + 2);
    text += '"';
    // Names rarely hold a character that needs a backslash: look for one first.
    const auto special = [](char c) { return c == '"' || c == '$' || c == '`' || c == '\\'; };
    for (size_t at; (at = static_cast<size_t>(std::find_if(name.begin(), name.end(), special) - name.begin())) <
                    name.size();) {
        text.append(name.substr(0, at)) += '\\';
        text += name[at];
        name.remove_prefix(at + 1);
    }
    return text.append(name) += '"';
}

std::string cdName(std::string_view name)
{
    const std::string_view ending = extension(name);
    const std::string base(name.substr(0, name.size() - ending.size()));
    return base + (isWavExtension(ending) ? "-cd.wav" : ".wav");
}

std::string ffmpegCommand(std::string_view name)
{
    return "ffmpeg -i " + quoted(name) + " -ar 44100 -ac 2 " + quoted(cdName(name));
}

std::string soxCommand(std::string_view name, std::string_view options, std::string_view effects)
{
    std::string command = "sox ";
    if (!options.empty())
        command += std::string(options) + ' ';
    command += quoted(name) + " -r 44100 -b 16 -c 2 " + quoted(cdName(name));
    if (!effects.empty())
        command += ' ' + std::string(effects);
    return command;
}
