#include "cue_sheet.h"

#include "track_list.h"

namespace {

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
    for (const Track& track : listTracks(table)) {
        const bool startsFile = track.startRow == track.fileRow;
        if (startsFile) {
            cue += "FILE \"";
            cue += table.rows[track.startRow].lineText;
            cue += "\" WAVE\n";
        }
        appendTrackLine(cue, trackNumber++);
        if (track.pregapRow >= 0) {
            cue += "    PREGAP ";
            cue += timeText(table.rows[track.pregapRow].lineText);
            cue += '\n';
        }
        cue += "    INDEX 01 ";
        cue += startsFile ? "00:00:00" : timeText(table.rows[track.startRow].lineText);
        cue += '\n';
    }
    return cue;
}
