// Any bytes as a track list: classify them, build the cue text and the report, check the disc.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "burn_check.h"
#include "cue_sheet.h"
#include "timing.h"
#include "track_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string list(reinterpret_cast<const char*>(data), size);
    TrackTable table;
    const int entryCount = buildTrackTable(list, table);
    if (entryCount < 0 || entryCount > maxRows)
        std::abort();

    int tracks = 0;
    for (int row = 0; row < entryCount; ++row) {
        if (table.isWav[row] || table.lineKind[row] == LineKind::split)
            ++tracks;
        // Measured facts that vary with the row, some of them not CD audio.
        table.sampleRate[row] = row % 7 ? 44100 : 48000;
        table.channels[row] = 2;
        table.bitsPerSample[row] = 16;
        table.formatCode[row] = 1;
        table.sampleFrames[row] = int64_t{row} * 100003;
        table.dataBytesPresent[row] = table.sampleFrames[row] * 4 - row % 3;
    }
    const std::string cue = buildCueText(table);
    size_t trackLines = 0;
    for (size_t at = cue.find("  TRACK "); at != std::string::npos; at = cue.find("  TRACK ", at + 1))
        ++trackLines;
    // Names may hold "  TRACK " themselves, so the count can only be higher.
    if (trackLines < static_cast<size_t>(tracks) || (!cue.empty() && cue.back() != '\n'))
        std::abort();

    formatReport(table, computeTimes(table));

    // Every finding is about the disc or about a line of the list.
    for (const Finding& finding : checkDisc(table)) {
        bool known = finding.lineNumber == 0;
        for (int row = 0; row < entryCount; ++row)
            known = known || finding.lineNumber == table.lineNumber[row];
        if (!known || finding.text.empty())
            std::abort();
    }
    return 0;
}
