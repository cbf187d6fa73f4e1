#include "wav_problem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "advice.h"
#include "file_kind.h"
#include "track_list.h"

namespace {

// Why a file whose chunks were not found is no WAV file, from what its first
// bytes say; empty when they start like one.
std::string notWavReason(const WavFile& file, const char* wavName)
{
    if (file.emptyFile)
        return "the file is empty";
    const std::string_view kind = file.kind;
    if (kind == "RIFF" || kind.ends_with("WAV"))
        return "";
    if (kind == "UTF-16 text")
        return "this is a UTF-16 text file, not a WAV file";
    if (!kind.empty() && kind != "PNG" && kind != "JPEG" && kind != "PDF" && kind != "ZIP")
        return "this is " + withArticle(kind) + " file, not a WAV file; convert it first, as in: " +
               ffmpegCommand(wavName);
    return "it has no RIFF header, so it is no WAV file: raw samples, perhaps, as opusdec writes them to a pipe; "
           "decode again with a header, as in: opusdec --force-wav in.opus " + quoted(wavName);
}

// Why a file whose header was read cannot be measured.
Failure headerFailure(const WavFile& file, const char* wavName)
{
    const WavInfo& info = file.info;
    if (info.status == WavStatus::unsupported)
        return Failure{Exit::wavProblem, std::string("Unsupported format in wave file called ") + wavName + "\n",
                       wavName,
                       isCompressed(info.formatCode)
                           ? formatName(info.formatCode) + ", a compressed format, which a CD cannot take; decode "
                                                           "it to PCM first, as in: " + ffmpegCommand(wavName)
                           : "the header declares 0 channels, 0 Hz or fewer than 8 bits per sample"};
    const bool noFormat = info.status == WavStatus::noFormat;
    std::string reason = notWavReason(file, wavName);
    if (reason.empty())
        reason = noFormat ? "no format chunk" : "no data chunk";
    // In two steps: GCC 12 for armhf takes the one expression for an overlapping copy.
    if (info.chunkLimitReached) {
        reason = "more than ";
        reason += std::to_string(maxChunks) + " chunks before the audio, more than any writer makes; rewrite the "
                  "file, as in: " + soxCommand(wavName);
    }
    return Failure{Exit::wavProblem,
                   noFormat ? "Can't find format chunk in wave file!\n" : "Can't find data block in wave file!\n",
                   wavName, reason};
}

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

std::optional<Failure> wavFailure(const char* wavName, const WavFile& file)
{
    if (!file.read)
        return Failure{Exit::wavProblem, std::string("Cannot find file in track list called ") + wavName + "\n",
                       wavName, file.error ? std::strerror(file.error) : "not a regular file", file.error};
    if (file.info.status != WavStatus::ok)
        return headerFailure(file, wavName);
    return std::nullopt;
}
