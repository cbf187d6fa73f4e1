#include "cue_sheet.h"

#include <string_view>

namespace {

// An S or P line carries its time after the letter and one separator,
// whatever that separator is.
std::string_view timeText(std::string_view line)
{
    return line.size() > 2 ? line.substr(2) : std::string_view{};
}

void appendTrackLine(std::string& cue, int trackNumber)
{
    cue += "  TRACK ";
    if (trackNumber < 10)
        cue += '0';
    cue += std::to_string(trackNumber);
    cue += " AUDIO\n";
}

}  // namespace

std::string buildCueText(const TrackTable& table)
{
    std::string cue;
    int trackNumber = 1;
    int row = 0;
    while (row < table.entryCount) {
        const bool isSplit = table.lineKind[row] == LineKind::split;
        if (!table.isWav[row] && !isSplit) {
            ++row;  // other lines, and pregaps that follow no track
            continue;
        }
        if (table.isWav[row]) {
            cue += "FILE \"";
            cue += table.lineText[row];
            cue += "\" WAVE\n";
        }
        appendTrackLine(cue, trackNumber);
        int next = row + 1;
        if (next < table.entryCount && table.isPregap[next]) {
            cue += "    PREGAP ";
            cue += timeText(table.lineText[next]);
            cue += '\n';
            ++next;
        }
        cue += "    INDEX 01 ";
        cue += isSplit ? timeText(table.lineText[row]) : "00:00:00";
        cue += '\n';
        ++trackNumber;
        row = next;
    }
    return cue;
}
