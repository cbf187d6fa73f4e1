#include "burn_check.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "track_list.h"

namespace {

constexpr int64_t cdRate = 44100;
constexpr int64_t sectorBytes = 2352;
constexpr int64_t cdFramesPerSecond = 75;
constexpr int64_t shortestTrack = 4 * cdFramesPerSecond;
constexpr int64_t longestDisc = 80 * 60 * cdFramesPerSecond;
constexpr int maxTracks = 99;

// Joins the parts of a message.
std::string join(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (const std::string_view part : parts)
        text += part;
    return text;
}

// CD frames as the report prints a length, min:sec:frames.
std::string length(int64_t cdFrames)
{
    return join({std::to_string(cdFrames / (60 * cdFramesPerSecond)), ":",
                 std::to_string(cdFrames / cdFramesPerSecond % 60), ":", std::to_string(cdFrames % cdFramesPerSecond)});
}

bool isCdAudio(const TrackTable& table, int row)
{
    return table.formatCode[row] == 1 && table.sampleRate[row] == cdRate && table.bitsPerSample[row] == 16 &&
           table.channels[row] == 2;
}

std::string describeFormat(const TrackTable& table, int row)
{
    const int code = table.formatCode[row];
    const int channels = table.channels[row];
    const std::string layout =
        channels == 1 ? "mono" : channels == 2 ? "stereo" : join({std::to_string(channels), " channels"});
    const std::string format = code == 1        ? "PCM"
                               : code == 3      ? "floating point"
                               : code == 0xFFFE ? "extensible format (code 0xFFFE), which burners do not take for PCM"
                                                : join({"format code ", std::to_string(code)});
    return join({std::to_string(table.sampleRate[row]), " Hz, ", std::to_string(table.bitsPerSample[row]), "-bit, ",
                 layout, ", ", format});
}

// Sample frames of audio the file really holds.
int64_t framesPresent(const TrackTable& table, int row)
{
    return table.dataBytesPresent[row] / (int64_t{table.channels[row]} * (table.bitsPerSample[row] >> 3));
}

// Whole CD frames in sampleFrames; a burner pads a part frame to a whole one.
int64_t cdFramesCeil(int64_t sampleFrames, int64_t sampleRate)
{
    return (sampleFrames * cdFramesPerSecond + sampleRate - 1) / sampleRate;
}

int64_t cdFramesFloor(int64_t sampleFrames, int64_t sampleRate)
{
    return sampleFrames * cdFramesPerSecond / sampleRate;
}

void checkFile(const TrackTable& table, int row, std::vector<Finding>& findings)
{
    const std::string name = table.lineText[row];
    const int line = table.lineNumber[row];
    if (name.find('"') != std::string::npos)
        findings.push_back({line, join({"the name ", name, " holds a double quote, which a cue sheet cannot hold; "
                                                            "rename the file"})});
    if (!isCdAudio(table, row))
        findings.push_back({line, join({name, " is ", describeFormat(table, row),
                                        ", but a CD takes 44100 Hz, 16-bit, stereo PCM; convert it first (sox can)"})});
    const int64_t rate = table.sampleRate[row];
    const int64_t present = framesPresent(table, row);
    if (present < table.sampleFrames[row])
        findings.push_back({line, join({name, " holds ", length(cdFramesFloor(present, rate)), " of audio, less than the ",
                                        length(cdFramesFloor(table.sampleFrames[row], rate)),
                                        " (min:sec:frames) its header declares, as a cut-off file or one written "
                                        "through a pipe does; the disc gets only what is there"})});
    if (isCdAudio(table, row) && table.dataBytesPresent[row] % sectorBytes != 0)
        findings.push_back({line, join({name, " does not fill whole CD sectors of 2352 bytes (",
                                        std::to_string(table.dataBytesPresent[row] % sectorBytes),
                                        " bytes over), so the burner pads the track with silence, a gap in gapless "
                                        "music; trim or pad it to a multiple of 588 sample frames"})});
}

void checkTimeText(const TrackTable& table, int row, int fileRow, std::vector<Finding>& findings)
{
    if (table.timeFrames[row] < 0)
        findings.push_back({table.lineNumber[row],
                            join({"\"", timeText(table.lineText[row]), "\" (",
                                  table.isPregap[row] ? "a pregap after " : "a split of ", table.lineText[fileRow],
                                  ") is not a CD time; write minutes:seconds:frames, as in 04:10:00, with seconds "
                                  "below 60 and frames below 75"})});
}

// The tracks of the file that starts with tracks[first], up to the next file.
// Positions in it are counted in 1/(75 × rate) s, where both the sample
// frames of the audio and the CD frames of a split are whole numbers.
void checkFileTracks(const TrackTable& table, const std::vector<Track>& tracks, size_t first, size_t last,
                     std::vector<Finding>& findings)
{
    const int fileRow = tracks[first].fileRow;
    const int64_t rate = table.sampleRate[fileRow];
    const int64_t fileEnd = framesPresent(table, fileRow) * cdFramesPerSecond;
    std::vector<bool> startKnown(last - first, true);
    std::vector<int64_t> start(last - first, 0);
    int previousSplit = -1;
    for (size_t index = first + 1; index < last; ++index) {
        const int row = tracks[index].startRow;
        const size_t at = index - first;
        start[at] = table.timeFrames[row] * rate;
        startKnown[at] = table.timeFrames[row] >= 0;
        if (!startKnown[at])
            continue;  // already reported as no CD time
        const std::string time(timeText(table.lineText[row]));
        if (start[at] >= fileEnd) {
            findings.push_back({table.lineNumber[row],
                                join({"the split at ", time, " is at or past the end of ", table.lineText[fileRow],
                                      ", which holds ", length(fileEnd / rate),
                                      " of audio; remove the split or correct its time"})});
            startKnown[at] = false;
        } else if (previousSplit >= 0 && table.timeFrames[row] <= table.timeFrames[previousSplit]) {
            findings.push_back({table.lineNumber[row],
                                join({"the split at ", time, " does not come after the split at ",
                                      timeText(table.lineText[previousSplit]), " on line ",
                                      std::to_string(table.lineNumber[previousSplit]),
                                      "; the splits of a file must go forward in time"})});
            startKnown[at] = false;
        }
        previousSplit = row;
    }
    for (size_t at = 0; at < last - first; ++at) {
        const bool endKnown = at + 1 == last - first || startKnown[at + 1];
        const int64_t end = at + 1 == last - first ? fileEnd : start[at + 1];
        if (!startKnown[at] || !endKnown || end - start[at] >= shortestTrack * rate)
            continue;
        const Track& track = tracks[first + at];
        const std::string_view from = at == 0 ? "" : timeText(table.lineText[track.startRow]);
        findings.push_back({table.lineNumber[track.startRow],
                            join({"track ", std::to_string(first + at + 1), " (", table.lineText[fileRow],
                                  from.empty() ? "" : " from ", from, ") lasts ",
                                  length(std::max<int64_t>(end - start[at], 0) / rate),
                                  " (min:sec:frames), but a CD track must last at least 4 seconds, not counting "
                                  "its pregap; join it to the track before or after it"})});
    }
}

}  // namespace

std::vector<Finding> checkDisc(const TrackTable& table)
{
    std::vector<Finding> findings;
    const std::vector<Track> tracks = listTracks(table);
    std::vector<bool> pregapUsed(table.entryCount, false);
    int64_t discLength = 0;
    for (const Track& track : tracks)
        if (track.pregapRow >= 0) {
            pregapUsed[track.pregapRow] = true;
            discLength += std::max<int64_t>(table.timeFrames[track.pregapRow], 0);
        }

    int fileRow = 0;
    for (int row = 0; row < table.entryCount; ++row) {
        if (table.isWav[row]) {
            fileRow = row;
            checkFile(table, row, findings);
            discLength += cdFramesCeil(framesPresent(table, row), table.sampleRate[row]);
        } else if (table.lineKind[row] != LineKind::other) {
            checkTimeText(table, row, fileRow, findings);
        }
        if (table.isPregap[row] && !pregapUsed[row])
            findings.push_back({table.lineNumber[row], "this pregap follows no WAV or S line, so the cue sheet "
                                                       "leaves it out; put it right after the line of its track"});
    }
    for (size_t first = 0; first < tracks.size();) {
        size_t last = first + 1;
        while (last < tracks.size() && tracks[last].fileRow == tracks[first].fileRow)
            ++last;
        checkFileTracks(table, tracks, first, last, findings);
        first = last;
    }
    if (tracks.size() > maxTracks)
        findings.push_back({table.lineNumber[tracks[maxTracks].startRow],
                            join({"this line starts track ", std::to_string(maxTracks + 1), ", but a CD holds at most ",
                                  std::to_string(maxTracks),
                                  " tracks; leave some out or split the list over two discs"})});

    // In list order, the whole disc last.
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        const auto order = [](const Finding& finding) {
            return finding.lineNumber == 0 ? std::numeric_limits<int>::max() : finding.lineNumber;
        };
        return order(a) < order(b);
    });
    if (discLength > longestDisc)
        findings.push_back({0, join({"the disc lasts ", length(discLength),
                                     " (min:sec:frames) with its pregaps, more than the 80 minutes a CD-R holds; "
                                     "leave some tracks out or split the list over two discs"})});
    return findings;
}
