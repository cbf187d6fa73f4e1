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

// cdrdao reads a backslash before a digit as an escape, and "\134" as a
// backslash, in a name as in a text.
void appendName(std::string& cue, std::string_view name)
{
    for (size_t at = name.find('\\'); at != std::string_view::npos; at = name.find('\\')) {
        const bool digitAfter = at + 1 < name.size() && name[at + 1] >= '0' && name[at + 1] <= '9';
        cue.append(name.substr(0, at)) += digitAfter ? "\\134" : "\\";
        name.remove_prefix(at + 1);
    }
    cue += name;
}

void appendTexts(std::string& cue, std::string_view indent, const TextPair& texts)
{
    cue += indent;
    cue += "TITLE \"" + texts.title + "\"\n";
    cue += indent;
    cue += "PERFORMER \"" + texts.performer + "\"\n";
}

}  // namespace

std::string buildCueText(const TrackTable& table, const CdText* cdText)
{
    std::string cue;
    if (cdText)
        appendTexts(cue, "", cdText->disc);
    int trackNumber = 1;
    for (const Track& track : listTracks(table)) {
        const bool startsFile = track.startRow == track.fileRow;
        if (startsFile) {
            cue += "FILE \"";
            appendName(cue, table.rows[track.startRow].lineText);
            cue += "\" WAVE\n";
        }
        appendTrackLine(cue, trackNumber++);
        if (cdText)
            appendTexts(cue, "    ", cdText->tracks[static_cast<size_t>(trackNumber - 2)]);
        if (track.pregapRow >= 0) {
            cue += "    PREGAP ";
            cue += timeText(table.rows[track.pregapRow].lineText);
            cue += '\n';
        }
        cue += "    INDEX 01 ";
        // A title after a split's time is CD-TEXT, not part of the time.
        const std::string_view line = table.rows[track.startRow].lineText;
        cue += startsFile ? "00:00:00" : splitTitle(line).empty() ? timeText(line) : lineTime(line);
        cue += '\n';
    }
    return cue;
}
