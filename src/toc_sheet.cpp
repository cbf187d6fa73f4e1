#include "toc_sheet.h"

#include <vector>

#include "timing.h"

namespace {

// A file's audio among all the files' audio.
struct FileSpan {
    const char* name;
    int64_t start;    // its first sample
    int64_t samples;  // its audio
    bool wholeToEnd;  // whether cdrdao, reading it to its end, takes that audio and no more
};

std::vector<FileSpan> fileSpans(const Disc& disc)
{
    std::vector<FileSpan> files;
    int64_t start = 0;
    for (const DiscTrack& track : disc.tracks) {
        if (!disc.startsFile(track))
            continue;
        const WavFile& file = disc.fileOf(track);
        const int64_t samples = audioSamples(file);
        const bool whole = file.info.trailingTagBytes == 0 && static_cast<uint64_t>(file.dataBytesPresent) ==
                                                                 file.info.dataSize;
        files.push_back({disc.table->sheetName(disc.fileRowOf(track)), start, samples, whole});
        start += samples;
    }
    return files;
}

// text as a TOC string: cdrdao reads a backslash before a digit as an
// escape, "\134" as a backslash and "\"" as a double quote.
void appendString(std::string& toc, std::string_view text)
{
    toc += '"';
    for (const char c : text)
        toc += c == '\\' ? "\\134" : c == '"' ? "\\\"" : std::string(1, c);
    toc += '"';
}

// A CD-TEXT block: the language map that makes cdrdao burn it, for the disc.
void appendTexts(std::string& toc, const TextPair& texts, bool disc)
{
    toc += disc ? "CD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n" : "CD_TEXT {\n";
    toc += "  LANGUAGE 0 {\n    TITLE ";
    appendString(toc, texts.title);
    toc += "\n    PERFORMER ";
    appendString(toc, texts.performer);
    toc += "\n  }\n}\n";
}

// The FILE lines of the audio from the first sample on, count of them.
void appendFiles(std::string& toc, const std::vector<FileSpan>& files, size_t& at, int64_t first, int64_t count)
{
    while (count > 0 && at < files.size()) {
        const FileSpan& file = files[at];
        if (file.start + file.samples <= first) {
            ++at;
            continue;
        }
        const int64_t offset = first - file.start;
        const int64_t taken = std::min(count, file.samples - offset);
        toc += "FILE ";
        appendString(toc, file.name);
        toc += ' ' + std::to_string(offset);
        if (offset + taken < file.samples || !file.wholeToEnd)
            toc += ' ' + std::to_string(taken);
        toc += '\n';
        first += taken;
        count -= taken;
    }
}

}  // namespace

std::string buildTocText(const Disc& disc)
{
    std::string toc = "CD_DA\n";
    if (disc.hasCdText)
        appendTexts(toc, disc.text, true);
    const std::vector<FileSpan> files = fileSpans(disc);
    size_t at = 0;
    for (const DiscTrack& track : disc.tracks) {
        if (track.fault != SplitFault::none)
            continue;  // its audio stays with the track before it
        toc += "\nTRACK AUDIO\n";
        if (disc.hasCdText)
            appendTexts(toc, *track.text, false);
        if (track.pregap > 0)
            toc += "PREGAP " + formatCdTime(splitCdFrames(track.pregap), TimeStyle::listing) + '\n';
        appendFiles(toc, files, at, track.firstSample, track.sampleCount);
    }
    return toc;
}
