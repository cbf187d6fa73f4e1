#include "wav_problem.h"

#include <algorithm>
#include <cerrno>

#include "track_list.h"

namespace {

// Why a file of this name was not found, when the cause is a common slip.
std::string notFoundHint(std::string_view name, const NotFoundClues& clues)
{
    if (!clues.asWindows1252.empty())
        return std::string("the list is not UTF-8 text: it was saved as Latin-1 or Windows-1252, perhaps, as older "
                           "Windows editors do, and read so this line names ") + std::string(clues.asWindows1252) +
               ", which is here; save the list as UTF-8, or convert it, as in: " + std::string(clues.toUtf8);
    if (!name.empty() && (isBlank(name.front()) || isBlank(name.back())))
        return std::string("the name ") + (isBlank(name.front()) ? "starts" : "ends") +
               " with a blank, which counts as part of it; remove the blank from the line";
    if ((name.starts_with('#') || name.starts_with(';')) && namesWavInAnyCase(name))
        return "a line holding .wav always names a WAV file, even a note; take .wav out of the note";
    if (name.find('\\') != std::string_view::npos) {
        const bool drive = name.size() > 2 && name[1] == ':' && name[2] == '\\';
        std::string path(name.substr(drive ? 3 : 0));
        std::replace(path.begin(), path.end(), '\\', '/');
        return drive ? "this is a Windows path, but Linux has no drive letters and separates folders with /: write "
                       "where the file is on this machine, as in: " + path
                     : "Linux separates folders with /, not \\: write " + path;
    }
    if (!clues.besideList.empty())
        return std::string("there is one beside the list, but names are looked up from the current folder; run "
                           "trelvask from the list's folder (cd ") + std::string(clues.besideList) + ")";
    if (clues.firstLine && !namesWavInAnyCase(name))
        return "the first line of a list always names a WAV file, whatever it holds; begin the list with the name "
               "of the first WAV file";
    return "";
}

}  // namespace

std::string wavProblemText(std::string_view name, const Failure& failure, const NotFoundClues& clues)
{
    const std::string hint = failure.error == ENOENT ? notFoundHint(name, clues) : "";
    const bool quoted = !name.empty() && (isBlank(name.front()) || isBlank(name.back()));
    return (quoted ? '"' + std::string(name) + '"' : std::string(name)) + ": " + failure.reason +
           (hint.empty() ? "" : "; " + hint);
}
