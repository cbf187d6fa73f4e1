// The track table: one row per line of the track list, shared by every step
// of a run. The list fills the rows; the reader fills the WAV files' facts.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "source.h"
#include "tags.h"
#include "wav_header.h"

enum class LineKind : unsigned char { wav, split, pregap, other };

struct Row {
    const char* lineText = "";  // NUL-terminated, inside the list buffer
    int lineNumber = 0;         // in the list file, counting blank lines too
    LineKind kind = LineKind::other;
    int32_t timeFrames = -1;  // an S or P line's time in CD frames; -1 if not a CD time
    int wavIndex = -1;        // a WAV line's entry in TrackTable::wavFiles

    bool isWav() const { return kind == LineKind::wav; }
    bool isSplit() const { return kind == LineKind::split; }
    bool isPregap() const { return kind == LineKind::pregap; }
};

struct TrackTable {
    std::vector<Row> rows;
    // One for each WAV row, in list order: apart from the rows, which stay
    // small, since most lines of a long list are not WAV lines.
    std::vector<WavFile> wavFiles;
    // The tags of each WAV row's file, where CD-TEXT asked for them: apart,
    // so that a run without costs no memory for them.
    std::vector<Tags> tags;
    // Where the sources that --convert makes CD audio of go; each file's
    // conversion is its entry here, or -1.
    std::vector<Conversion> conversions;
    int nulLine = 0;  // the line where a NUL byte cut off more text, if any

    int entryCount() const { return static_cast<int>(rows.size()); }
    const WavFile& wavFile(const Row& row) const { return wavFiles[static_cast<size_t>(row.wavIndex)]; }
    // The name a sheet gives the file of a WAV row: its conversion's, where
    // --convert makes CD audio of it.
    const char* sheetName(const Row& row) const
    {
        const int conversion = wavFile(row).conversion;
        return conversion < 0 ? row.lineText : conversions[static_cast<size_t>(conversion)].target.c_str();
    }
    // Empty tags for a file whose tags were not read.
    const Tags& tagsOf(const Row& row) const
    {
        static const Tags none;
        return static_cast<size_t>(row.wavIndex) < tags.size() ? tags[static_cast<size_t>(row.wavIndex)] : none;
    }
};

// The rows of WAV lines, in list order.
inline std::vector<std::reference_wrapper<const Row>> wavRows(const TrackTable& table)
{
    std::vector<std::reference_wrapper<const Row>> rows;
    for (const Row& row : table.rows)
        if (row.isWav())
            rows.push_back(row);
    return rows;
}
