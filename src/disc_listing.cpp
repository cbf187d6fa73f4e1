#include "disc_listing.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "advice.h"
#include "complain.h"
#include "disc_layout.h"

namespace {

// CD frames as cdrdao prints them, MM:SS:FF; dashes when unknown.
std::string cdTime(int64_t frames)
{
    if (frames < 0)
        return "--:--:--";
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", static_cast<long long>(frames / 4500),
                  static_cast<int>(frames / 75 % 60), static_cast<int>(frames % 75));
    return text;
}

// 333850 as "333,850".
std::string grouped(int64_t number)
{
    const std::string digits = std::to_string(number);
    std::string text;
    for (size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            text += ',';
        text += digits[at];
    }
    return text;
}

// How much of a CD-R of capacity frames the disc fills, or by how much it is over.
std::string fill(int64_t frames, int64_t capacity, std::string_view name)
{
    if (frames > capacity)
        return "over " + std::string(name) + " by " + cdTime(frames - capacity);
    const int64_t permille = frames * 1000 / capacity;
    return std::to_string(permille / 10) + "." + std::to_string(permille % 10) + "% of " + std::string(name);
}

}  // namespace

std::string formatListing(const TrackTable& table, const CdText* cdText, std::string_view cueName, bool escapeNames)
{
    const std::vector<Track> tracks = listTracks(table);
    const DiscLayout layout = layOutDisc(table, tracks);
    std::vector<std::string> files;
    size_t width = 4;
    for (const Track& track : tracks) {
        const std::string_view name = table.rows[track.fileRow].lineText;
        std::string file = escapeNames ? visible(name) : std::string(name);
        if (track.startRow != track.fileRow)
            file += " from " + std::string(lineTime(table.rows[track.startRow].lineText));
        width = std::max(width, file.size());
        files.push_back(std::move(file));
    }
    const auto padded = [cdText, width](std::string text) {
        return cdText ? text.append(width - std::min(width, text.size()) + 2, ' ') : text;
    };
    std::string listing = "\nTrack  Start     Length    Pregap    " + padded("File") + (cdText ? "Title" : "") + "\n";
    for (size_t index = 0; index < tracks.size(); ++index) {
        const PlacedTrack& placed = layout.tracks[index];
        char number[24];
        std::snprintf(number, sizeof number, "%5zu", index + 1);
        listing += number;
        listing += "  " + cdTime(placed.start) + "  " + cdTime(placed.length) + "  " +
                   (placed.pregap > 0 ? cdTime(placed.pregap) : "        ") + "  " + padded(files[index]);
        if (cdText)
            listing += shownText(cdText->tracks[index].title);
        listing += '\n';
    }
    listing += "\nDisc   " + cdTime(layout.length) + (layout.hasPregaps ? " with its pregaps, " : ", ") +
               grouped(layout.length) + " sectors: " + fill(layout.length, cdr74Frames, "a 74-minute CD-R") + ", " +
               fill(layout.length, cdr80Frames, "an 80-minute CD-R") + "\n";
    listing += std::string("Burn it with: cdrdao write --device DEVICE") + (cdText ? " --driver generic-mmc:0x10" : "") +
               " " + (cueName == "-" ? std::string("CUEFILE, once the cue sheet is saved") : quoted(cueName)) + "\n";
    return listing;
}
