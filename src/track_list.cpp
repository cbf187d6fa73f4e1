#include "track_list.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

bool namesWav(std::string_view line)
{
    return line.find(".WAV") != std::string_view::npos || line.find(".wav") != std::string_view::npos;
}

// The first line is always a WAV entry, whatever it holds. On any other, a
// WAV name, or a sound file to convert, wins over a leading S or P.
LineKind classifyLine(const char* text, bool first, const SourceTest& isSource)
{
    const std::string_view line = text;
    if (first || namesWav(line) || (isSource && isSource(text)))
        return LineKind::wav;
    if (line.starts_with('S'))
        return LineKind::split;
    if (line.starts_with('P'))
        return LineKind::pregap;
    return LineKind::other;
}

// Counts the line ends in a run of CR and LF, as an editor would: CRLF, LF
// and a lone CR end one line each.
int lineEnds(std::string_view delimiters)
{
    int count = 0;
    for (size_t at = 0; at < delimiters.size(); ++at)
        if (delimiters[at] == '\n' || at + 1 == delimiters.size() || delimiters[at + 1] != '\n')
            ++count;
    return count;
}

}  // namespace

int buildTrackTable(std::string& listBuffer, TrackTable& table, const SourceTest& isSource)
{
    table = TrackTable{};
    // A NUL byte ends the list, as it would end any C string.
    const size_t end = std::strlen(listBuffer.c_str());
    const bool textAfterNul = listBuffer.find_first_not_of(std::string_view(" \t\r\n\0", 5), end) != std::string::npos;
    listBuffer.resize(end);
    // Editors on other systems put a UTF-8 byte-order mark in front of the first name.
    const size_t start = listBuffer.starts_with("\xEF\xBB\xBF") ? 3 : 0;

    char* const text = listBuffer.data();
    const size_t size = listBuffer.size();
    size_t pos = start + std::strspn(text + start, "\r\n");
    int lineNumber = 1 + lineEnds({text + start, pos - start});
    while (pos < size) {
        const size_t length = std::strcspn(text + pos, "\r\n");
        const size_t delimiters = std::strspn(text + pos + length, "\r\n");
        const int ends = lineEnds({text + pos + length, delimiters});
        text[pos + length] = '\0';  // the delimiter or the final NUL
        const LineKind kind = classifyLine(text + pos, table.rows.empty(), isSource);
        Row& row = table.rows.emplace_back(Row{text + pos, lineNumber, kind});
        if (row.isWav()) {
            row.wavIndex = static_cast<int>(table.wavFiles.size());
            table.wavFiles.emplace_back();
        } else if (row.kind != LineKind::other) {
            row.timeFrames = cdTimeFrames(lineTime(row.lineText));
        }
        lineNumber += ends;
        pos += length + delimiters;
    }
    if (textAfterNul)
        table.nulLine = lineNumber;  // the line that holds the NUL byte
    return table.entryCount();
}

bool namesWavInAnyCase(std::string_view line)
{
    for (size_t at = line.find('.'); at != std::string_view::npos; at = line.find('.', at + 1)) {
        const std::string_view rest = line.substr(at + 1, 3);
        if (rest.size() == 3 && (rest[0] | 0x20) == 'w' && (rest[1] | 0x20) == 'a' && (rest[2] | 0x20) == 'v')
            return true;
    }
    return false;
}

std::string_view timeText(std::string_view line)
{
    return line.size() > 2 ? line.substr(2) : std::string_view{};
}

std::string_view lineTime(std::string_view line)
{
    const std::string_view time = trimBlanks(timeText(line));
    if (!line.starts_with('S') && !line.starts_with('s'))
        return time;
    return time.substr(0, std::min(time.find_first_of(" \t"), time.size()));
}

std::string_view splitTitle(std::string_view line)
{
    if (!line.starts_with('S') || cdTimeFrames(lineTime(line)) < 0)
        return {};
    const std::string_view time = trimBlanks(timeText(line));
    return trimBlanks(time.substr(std::min(time.find_first_of(" \t"), time.size())));
}

int32_t cdTimeFrames(std::string_view text)
{
    int32_t groups[3] = {};
    for (int group = 0; group < 3; ++group) {
        if (group > 0) {
            if (!text.starts_with(':'))
                return -1;
            text.remove_prefix(1);
        }
        // Burners take no more than two digits in a group.
        size_t digits = 0;
        while (digits < text.size() && digits < 3 && text[digits] >= '0' && text[digits] <= '9')
            groups[group] = groups[group] * 10 + (text[digits++] - '0');
        if (digits == 0 || digits > 2)
            return -1;
        text.remove_prefix(digits);
    }
    if (!text.empty() || groups[1] >= 60 || groups[2] >= 75)
        return -1;
    return (groups[0] * 60 + groups[1]) * 75 + groups[2];
}
