#include "track_list.h"

#include <cstring>
#include <string_view>

namespace {

void classifyLine(TrackTable& table, int row)
{
    const std::string_view line = table.lineText[row];
    if (line.starts_with('S'))
        table.lineKind[row] = LineKind::split;
    if (line.starts_with('P')) {
        table.isPregap[row] = true;
        table.lineKind[row] = LineKind::pregap;
    }
    if (line.find(".WAV") != std::string_view::npos || line.find(".wav") != std::string_view::npos) {
        table.isWav[row] = true;
        table.lineKind[row] = LineKind::other;
        table.isPregap[row] = false;
    }
}

}  // namespace

int buildTrackTable(std::string& listBuffer, TrackTable& table)
{
    table = TrackTable{};
    // A NUL byte ends the list, as it would end any C string.
    listBuffer.resize(std::strlen(listBuffer.c_str()));
    // Editors on other systems put a UTF-8 byte-order mark in front of the first name.
    const size_t start = listBuffer.starts_with("\xEF\xBB\xBF") ? 3 : 0;

    char* const text = listBuffer.data();
    const size_t size = listBuffer.size();
    size_t pos = start;
    while (pos < size) {
        pos += std::strspn(text + pos, "\r\n");
        if (pos >= size)
            break;
        if (table.entryCount == maxRows) {
            table.linesDropped = true;
            break;
        }
        const size_t length = std::strcspn(text + pos, "\r\n");
        text[pos + length] = '\0';  // the delimiter or the final NUL
        const int row = table.entryCount++;
        table.lineText[row] = text + pos;
        if (row == 0)  // the first line is always a WAV entry, whatever it holds
            table.isWav[row] = true;
        else
            classifyLine(table, row);
        pos += length + 1;
    }
    return table.entryCount;
}
