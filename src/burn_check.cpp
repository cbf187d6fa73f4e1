#include "burn_check.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "advice.h"
#include "complain.h"
#include "paths.h"
#include "timing.h"
#include "track_list.h"

namespace {

constexpr int64_t cdFramesPerSecond = 75;
constexpr int64_t shortestTrack = 4 * cdFramesPerSecond;
constexpr int maxTracks = 99;

// CD frames as the report prints a length, min:sec:frames.
std::string length(int64_t cdFrames)
{
    return formatCdTime(splitCdFrames(cdFrames));
}

std::string describeFormat(const WavInfo& info)
{
    const int code = info.formatCode;
    const int channels = info.channels;
    const std::string layout =
        channels == 1 ? "mono" : channels == 2 ? "stereo" : join({std::to_string(channels), " channels"});
    const std::string format = code == 1        ? "PCM"
                               : code == 3      ? "floating point"
                               : code == 0xFFFE ? "WAVE_FORMAT_EXTENSIBLE (code 0xFFFE), which cdrdao refuses"
                                                : formatName(code);
    return join({std::to_string(info.sampleRate), " Hz, ", std::to_string(info.bitsPerSample), "-bit, ", layout, ", ",
                 format});
}

// Sample frames of audio the file really holds.
int64_t framesPresent(const WavFile& file)
{
    return file.dataBytesPresent / file.info.frameBytes;
}

// cdrdao 1.2.4 overflows a buffer on a FILE name of this many bytes, and
// rejects one over 1024.
constexpr size_t longestFileName = 147;
constexpr size_t longestFileNameRead = 1024;

// The WAV line of each file, in list order.
template <typename Check>
void forEachFile(const Disc& disc, Check check)
{
    for (const DiscTrack& track : disc.tracks)
        if (disc.startsFile(track))
            check(disc.fileRowOf(track), disc.fileOf(track));
}

// A TOC file holds a double quote and a name of any length; a cue sheet
// does not.
void checkNames(const Disc& disc, Findings& findings)
{
    const bool cue = disc.sheet == Sheet::cue;
    forEachFile(disc, [&findings, cue, &disc](const Row& row, const WavFile&) {
        const std::string_view name = disc.table->sheetName(row);
        if (cue && name.find('"') != std::string::npos)
            add(findings, Rule::names, row.lineNumber,
                join({"the name ", name, " holds a double quote, which a cue sheet cannot hold; rename the file"}));
        if (holdsControlCharacter(name))
            add(findings, Rule::names, row.lineNumber,
                join({"the name ", name, " holds a control character, which the cue sheet carries as it is and "
                      "players may show or read wrongly; rename the file"}));
        if (!endsWithInAnyCase(name, ".wav"))
            add(findings, Rule::names, row.lineNumber,
                join({name, " does not end in .wav, so cdrdao takes it for raw samples and burns its header and "
                      "audio as loud noise; rename the file to end in .wav"}));
        if (cue && name.size() > longestFileName)
            add(findings, Rule::names, row.lineNumber,
                                join({"the name ", name.substr(0, 40), "... is ", std::to_string(name.size()),
                                      " bytes long, and cdrdao 1.2.4 ",
                                      name.size() > longestFileNameRead ? "rejects a FILE name over 1024 bytes"
                                                                        : "fails on a FILE name of 148 bytes or more",
                                      "; write the cue sheet in the files' folder, with short relative names"}));
    });
}

// Files that cdrdao refuses, or reads otherwise, although they were measured:
// by their layout, by a data size of 0, and in a cue sheet, which cannot
// give a file's length, by a tag chunk after a streamed file's audio.
std::string burnerRefusal(std::string_view name, const WavInfo& info, Sheet sheet)
{
    switch (info.layout) {
    case WavLayout::riff:
        break;
    case WavLayout::dataBeforeFormat:
        return join({"has its audio before its format chunk, and cdrdao refuses it as a corrupted WAVE file; rewrite "
                     "it, as in: ", soxCommand(name)});
    case WavLayout::rf64:
        return join({"is an RF64 file, and cdrdao reads RIFF WAV only; convert it, as in: ffmpeg -i ", quoted(name),
                     " -rf64 never ", quoted(cdName(name))});
    case WavLayout::scanned:
        if (info.chunkLimitReached)
            return join({"has more than ", std::to_string(maxChunks), " chunks before its audio, more than any "
                         "writer makes (it was measured by searching for them); rewrite it, as in: ",
                         soxCommand(name)});
        return join({"has chunks that do not lead to its audio (it was measured by searching for them), and cdrdao "
                     "refuses it as a corrupted WAVE file; rewrite it, as in: ", soxCommand(name)});
    case WavLayout::rifx:
        return join({"is big-endian (RIFX), which cdrdao does not read; convert it, as in: ", soxCommand(name)});
    }
    if (info.length == DataLength::zero)
        return join({"declares a data size of 0, as WAV files written through a pipe by mpg123 or faad do, and "
                     "cdrdao finds no audio in it; rewrite it with its audio, as in: ",
                     soxCommand(name, "--ignore-length")});
    if (info.trailingTagBytes > 0 && sheet == Sheet::cue) {
        const auto audioFrames = static_cast<int64_t>((info.dataSize - info.trailingTagBytes) / info.frameBytes);
        return join({"was written through a pipe and ends in a ", std::to_string(info.trailingTagBytes),
                     "-byte tag chunk after its audio, which cdrdao burns as loud noise at the end of the track; "
                     "cut it off, as in: ", soxCommand(name, "", join({"trim 0 ", std::to_string(audioFrames), "s"}))});
    }
    return "";
}

void checkHeaders(const Disc& disc, Findings& findings)
{
    forEachFile(disc, [&findings, &disc](const Row& row, const WavFile& file) {
        if (const std::string refusal = burnerRefusal(row.lineText, file.info, disc.sheet); !refusal.empty())
            add(findings, Rule::headers, row.lineNumber, join({row.lineText, " ", refusal}));
    });
}

void checkFiles(const Disc& disc, Findings& findings)
{
    forEachFile(disc, [&findings](const Row& row, const WavFile& file) {
        const std::string_view name = row.lineText;
        const WavInfo& info = file.info;
        if (!isCdAudio(info))
            add(findings, Rule::files, row.lineNumber,
                join({name, " is ", describeFormat(info), ", but a CD takes 44100 Hz, 16-bit, stereo PCM; run "
                      "trelvask with --convert DIR to make CD audio of it in the folder DIR, or convert it by hand, "
                      "as in: ", soxCommand(name)}));
        const int64_t present = framesPresent(file);
        if (present < info.sampleFrames)
            add(findings, Rule::files, row.lineNumber,
                                join({name, " holds ", length(cdFramesFloor(present, info.sampleRate)),
                                      " of audio, less than the ",
                                      length(cdFramesFloor(info.sampleFrames, info.sampleRate)),
                                      " (min:sec:frames) its header declares, as a cut-off file does; the disc gets "
                                      "only what is there"}));
    });
}

// From a cue sheet, a burner pads CD audio that does not fill whole sectors
// with up to 587 sample frames of silence, 13 ms, at its end. That is heard
// only where the music runs on into the next file, without a pregap between;
// a TOC file lays the files out with nothing between them, and shntool fix
// moves each such boundary into the next file instead, over a run of files
// that play into each other.
void checkPadding(const Disc& disc, Findings& findings)
{
    if (disc.sheet == Sheet::toc)
        return;
    std::vector<const DiscTrack*> files;
    for (const DiscTrack& track : disc.tracks)
        if (disc.startsFile(track))
            files.push_back(&track);
    // Only the ending of CD audio in part sectors is read, and never the last file's.
    const auto playsOn = [&](size_t at) {
        return disc.fileOf(*files[at]).ending == Ending::music && at + 1 < files.size() && files[at + 1]->pregapRow < 0;
    };
    const auto name = [&](size_t at) { return std::string_view(disc.fileRowOf(*files[at]).lineText); };
    for (size_t first = 0; first < files.size(); ++first) {
        if (!playsOn(first))
            continue;
        size_t last = first;
        std::string padded, command = "shntool fix -r none -k";
        for (; playsOn(last); ++last) {
            padded += join({last == first ? "" : playsOn(last + 1) ? ", " : " and ", name(last)});
            command += ' ' + quoted(name(last));
        }
        command += ' ' + quoted(name(last));
        const bool one = last == first + 1;
        add(findings, Rule::padding, disc.fileRowOf(*files[first]).lineNumber,
            join({padded, one ? " does" : " do", " not fill whole CD sectors, and ", one ? "its" : "their",
                  " music runs on into ", one ? name(last) : "the next file", ", so the silence the burner pads ",
                  one ? "it" : "each", " with (up to 13 ms) will be heard as a gap; keep the music gapless with --toc, "
                  "which writes cdrdao's own TOC file and changes no file, or by moving ",
                  one ? "the boundary" : "each boundary", " into the next file: ", command,
                  ", then list the -fixed.wav files it writes in the current folder in their place"}));
        first = last;
    }
}

// A bad time text is reported as such, not again here.
void checkSplits(const Disc& disc, Findings& findings)
{
    const TrackTable& table = *disc.table;
    for (const DiscTrack& track : disc.tracks) {
        const Row& split = disc.startOf(track);
        const Row& fileRow = disc.fileRowOf(track);
        const std::string_view time = lineTime(split.lineText);
        if (track.fault == SplitFault::pastEnd) {
            const WavFile& file = disc.fileOf(track);
            add(findings, Rule::splits, split.lineNumber,
                join({"the split at ", time, " is at or past the end of ", fileRow.lineText, ", which holds ",
                      length(cdFramesFloor(framesPresent(file), file.info.sampleRate)),
                      " of audio; remove the split or correct its time"}));
        } else if (track.fault == SplitFault::notAfter) {
            const Row& previous = table.rows[track.previousSplit];
            add(findings, Rule::splits, split.lineNumber,
                join({"the split at ", time, " does not come after the split at ", lineTime(previous.lineText),
                      " on line ", std::to_string(previous.lineNumber),
                      "; the splits of a file must go forward in time"}));
        }
    }
}

// As the burner lays the track out, a part frame padded; only tracks whose
// start and end are both known: a bad split is reported as such.
void checkTrackLengths(const Disc& disc, Findings& findings)
{
    for (size_t index = 0; index < disc.tracks.size(); ++index) {
        const DiscTrack& track = disc.tracks[index];
        if (track.length < 0 || track.length >= shortestTrack)
            continue;
        const Row& start = disc.startOf(track);
        const std::string_view from = disc.startsFile(track) ? "" : lineTime(start.lineText);
        add(findings, Rule::trackLengths, start.lineNumber,
            join({"track ", std::to_string(index + 1), " (", disc.fileRowOf(track).lineText,
                  from.empty() ? "" : " from ", from, ") lasts ", length(track.length),
                  " (min:sec:frames), but a CD track must last at least 4 seconds, not counting its pregap; join it "
                  "to the track before or after it"}));
    }
}

void checkTrackCount(const Disc& disc, Findings& findings)
{
    if (disc.tracks.size() > maxTracks)
        add(findings, Rule::trackCount, disc.startOf(disc.tracks[maxTracks]).lineNumber,
            join({"this line starts track ", std::to_string(maxTracks + 1), ", but a CD holds at most ",
                  std::to_string(maxTracks), " tracks; leave some out or split the list over two discs"}));
}

// The audio and the pregaps, each file padded to whole CD frames, as cdrdao
// counts the disc.
void checkDiscLength(const Disc& disc, Findings& findings)
{
    if (disc.length > cdr80Frames)
        add(findings, Rule::discLength, 0,
            join({"the disc lasts ", length(disc.length), " (min:sec:frames)",
                  disc.hasPregaps ? " with its pregaps" : "", ", more than the ", length(cdr80Frames),
                  " an 80-minute CD-R holds after the 2-second pregap of its first track; leave some tracks out or "
                  "split the list over two discs"}));
}

using Check = void (*)(const Disc&, Findings&);

// Findings on one line come in this order.
constexpr Check checks[] = {checkNames,  checkHeaders,      checkFiles,      checkPadding,
                            checkSplits, checkTrackLengths, checkTrackCount, checkDiscLength};

}  // namespace

void checkDisc(const Disc& disc, Findings& findings)
{
    for (const Check check : checks)
        check(disc, findings);
}
