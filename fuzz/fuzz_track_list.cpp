// Any bytes as a track list: classify them, build the cue text and the report.
#include <cstdint>
#include <cstdlib>
#include <string>

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
        table.sampleRate[row] = 44100;
    }
    const std::string cue = buildCueText(table);
    size_t trackLines = 0;
    for (size_t at = cue.find("  TRACK "); at != std::string::npos; at = cue.find("  TRACK ", at + 1))
        ++trackLines;
    // Names may hold "  TRACK " themselves, so the count can only be higher.
    if (trackLines < static_cast<size_t>(tracks) || (!cue.empty() && cue.back() != '\n'))
        std::abort();

    formatReport(table, computeTimes(table));
    return 0;
}
