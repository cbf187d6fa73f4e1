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
// backslash: in a name only where a digit follows, so that other readers
// find the file as ever; in a text everywhere, the way it is counted.
void appendEscaped(std::string& cue, std::string_view text, bool beforeDigitsOnly)
{
    for (size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\')) {
        const bool digitAfter = at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '9';
        cue.append(text.substr(0, at)) += digitAfter || !beforeDigitsOnly ? "\\134" : "\\";
        text.remove_prefix(at + 1);
    }
    cue += text;
}

void appendTexts(std::string& cue, std::string_view indent, const TextPair& texts)
{
    cue.append(indent) += "TITLE \"";
    appendEscaped(cue, texts.title, false);
    cue += "\"\n";
    cue.append(indent) += "PERFORMER \"";
    appendEscaped(cue, texts.performer, false);
    cue += "\"\n";
}

}  // namespace

// Enough for the whole text, so that a long one is held once, not in ever
// larger copies: the lines of a track but for its names, times and texts
// take 64 bytes at most, its TITLE and PERFORMER lines 40 more.
size_t cueBytes(const Disc& disc)
{
    size_t bytes = 0;
    for (const DiscTrack& track : disc.tracks) {
        bytes += 64 + std::char_traits<char>::length(disc.startOf(track).lineText);
        if (disc.startsFile(track))
            bytes += std::char_traits<char>::length(disc.table->sheetName(disc.fileRowOf(track)));
        if (track.text)
            bytes += 40 + track.text->title.size() + track.text->performer.size();
        if (track.pregapRow >= 0)
            bytes += std::char_traits<char>::length(disc.table->rows[track.pregapRow].lineText);
    }
    return bytes;
}

std::string buildCueText(const Disc& disc)
{
    std::string cue;
    cue.reserve(cueBytes(disc));
    if (disc.hasCdText)
        appendTexts(cue, "", disc.text);
    int trackNumber = 1;
    for (const DiscTrack& track : disc.tracks) {
        const std::string_view line = disc.startOf(track).lineText;
        if (disc.startsFile(track)) {
            cue += "FILE \"";
            appendEscaped(cue, disc.table->sheetName(disc.fileRowOf(track)), true);
            cue += "\" WAVE\n";
        }
        appendTrackLine(cue, trackNumber++);
        if (disc.hasCdText)
            appendTexts(cue, "    ", *track.text);
        if (track.pregapRow >= 0) {
            cue += "    PREGAP ";
            cue += timeText(disc.table->rows[track.pregapRow].lineText);
            cue += '\n';
        }
        cue += "    INDEX 01 ";
        // A title after a split's time is CD-TEXT, not part of the time.
        cue += disc.startsFile(track) ? "00:00:00" : splitTitle(line).empty() ? timeText(line) : lineTime(line);
        cue += '\n';
    }
    return cue;
}
