// Any bytes as a track list: decode them, classify them, build the cue text
// and the report, check the disc, and hold the table, the cue and the
// warnings to what they promise.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "burn_check.h"
#include "cd_text.h"
#include "complain.h"
#include "cue_file.h"
#include "cue_sheet.h"
#include "disc.h"
#include "list_check.h"
#include "list_file.h"
#include "timing.h"
#include "track_list.h"

namespace {

size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string list(reinterpret_cast<const char*>(data), size);
    // The same bytes as an old cue file's start: a sheet says so in a line of its own.
    for (const Sheet sheet : {Sheet::cue, Sheet::toc})
        require(!looksLikeSheetStart(list, size % 2 == 0, sheet) || list.find('\n') != std::string::npos ||
                size % 2 == 0);
    // UTF-16 becomes UTF-8, which never holds the bytes of its mark and at
    // most three bytes for two; anything else stays as it was.
    if (decodeUtf16List(list))
        require(!startsWithUtf16Mark(list) && list.size() <= size / 2 * 3);
    else
        require(list == std::string(reinterpret_cast<const char*>(data), size));
    TrackTable table;
    const int entryCount = buildTrackTable(list, table);
    require(entryCount == table.entryCount());

    // Line numbers rise, the first row is a WAV row, and each WAV row has its
    // own file entry in order.
    int wavRowCount = 0;
    for (int row = 0; row < entryCount; ++row) {
        const Row& line = table.rows[row];
        require(row == 0 ? line.lineNumber >= 1 && line.isWav() : line.lineNumber > table.rows[row - 1].lineNumber);
        require(line.wavIndex == (line.isWav() ? wavRowCount++ : -1));
        const bool timed = line.isSplit() || line.isPregap();
        require(line.timeFrames == (timed ? cdTimeFrames(lineTime(line.lineText)) : -1));
    }
    require(table.wavFiles.size() == static_cast<size_t>(wavRowCount));

    // Measured facts that vary with the file, some of them not CD audio.
    for (size_t at = 0; at < table.wavFiles.size(); ++at) {
        const int64_t frames = static_cast<int64_t>(at) * 100003;
        table.wavFiles[at] = {.info = {.formatCode = 1, .channels = 2, .bitsPerSample = 16, .frameBytes = 4,
                                       .sampleRate = at % 7 ? 44100 : 48000, .sampleFrames = frames},
                              .dataBytesPresent = frames * 4 - static_cast<int64_t>(at % 3)};
    }

    // Every track starts on a WAV or S row and belongs to the WAV row before it.
    Disc disc = buildDisc(table);
    for (const DiscTrack& track : disc.tracks) {
        require(table.rows[track.fileRow].isWav() && track.fileRow <= track.startRow);
        require(track.pregapRow < 0 ||
                (track.pregapRow == track.startRow + 1 && table.rows[track.pregapRow].isPregap()));
        for (int row = track.fileRow + 1; row <= track.startRow; ++row)
            require(!table.rows[row].isWav());
    }

    // One FILE per WAV row and a TRACK per track; names may hold these words
    // themselves, so the counts can only be higher.
    const std::string cue = buildCueText(disc);
    require(count(cue, "FILE \"") >= table.wavFiles.size() && count(cue, "  TRACK ") >= disc.tracks.size());
    require(cue.empty() ? entryCount == 0 : cue.back() == '\n');

    formatReport(table, totalTime(table));

    // CD-TEXT from the lines as titles: every text fits cdrdao, and the cue
    // sheet holds one TITLE and one PERFORMER for the disc and each track.
    for (size_t at = 0; at < table.wavFiles.size(); ++at)
        table.tags.push_back({.title = "", .artist = at % 2 ? table.rows[0].lineText : "", .album = "",
                              .albumArtist = "", .unreadBytes = 0});
    Findings findings;
    chooseCdText(disc, table.rows.empty() ? "" : table.rows[0].lineText, findings);
    for (const DiscTrack& track : disc.tracks)
        for (const std::string* text : {&track.text->title, &track.text->performer})
            require(!text->empty() && text->size() + 3 * static_cast<size_t>(std::count(text->begin(), text->end(), '\\')) <=
                                          longestCdText &&
                    text->find('"') == std::string::npos && text->find('\n') == std::string::npos);
    const std::string texted = buildCueText(disc);
    require(count(texted, "TITLE \"") >= disc.tracks.size() + 1);

    // Every finding is about the command line, the disc, a line of the list,
    // or the NUL byte that ends it, which may stand on a line of its own. A
    // file system where every other name asked about is a file.
    bool exists = false;
    checkList(table, [&exists](const char*) {
        exists = !exists;
        return exists ? PathKind::file : PathKind::none;
    }, {.cdText = size % 2 == 0, .convert = size % 3 == 0}, findings);
    checkDisc(disc, findings);
    for (const Finding& finding : inOrder(std::move(findings))) {
        bool known = finding.about != About::line || finding.lineNumber == table.nulLine;
        for (const Row& row : table.rows)
            known = known || finding.lineNumber == row.lineNumber;
        require(known && !finding.text.empty());
        // Standard error shows no control character, and any other text as it is.
        const std::string line = complaint("list", finding.text);
        require(!holdsControlCharacter(std::string_view(line).substr(0, line.size() - 1)));
        require(holdsControlCharacter(finding.text) || line == "trelvask: list: " + finding.text + "\n");
    }
    return 0;
}
