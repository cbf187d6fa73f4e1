#include "disc_listing.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "advice.h"
#include "cd_text.h"
#include "complain.h"
#include "timing.h"
#include "track_list.h"

namespace {

// CD frames as cdrdao prints them, MM:SS:FF; dashes when unknown.
std::string cdTime(int64_t frames)
{
    return formatCdTime(splitCdFrames(frames), TimeStyle::listing);
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


// The file column: each track's file, and the time of its S line.
std::vector<std::string> fileColumn(const Disc& disc, bool escapeNames)
{
    std::vector<std::string> files;
    for (const DiscTrack& track : disc.tracks) {
        const std::string_view name = disc.fileRowOf(track).lineText;
        std::string file = escapeNames ? visible(name) : std::string(name);
        if (!disc.startsFile(track))
            file += " from " + std::string(lineTime(disc.startOf(track).lineText));
        files.push_back(std::move(file));
    }
    return files;
}

}  // namespace

std::string formatListing(const Disc& disc, std::string_view cueName, bool escapeNames)
{
    const std::vector<std::string> files = fileColumn(disc, escapeNames);
    size_t width = 4;
    for (const std::string& file : files)
        width = std::max(width, file.size());
    const bool titled = disc.hasCdText;
    const auto padded = [titled, width](std::string text) {
        return titled ? text.append(width - std::min(width, text.size()) + 2, ' ') : text;
    };
    std::string listing = "\nTrack  Start     Length    Pregap    " + padded("File") + (titled ? "Title" : "") + "\n";
    for (size_t index = 0; index < disc.tracks.size(); ++index) {
        const DiscTrack& track = disc.tracks[index];
        char number[24];
        std::snprintf(number, sizeof number, "%5zu", index + 1);
        listing += number;
        listing += "  " + cdTime(track.start) + "  " + cdTime(track.length) + "  " +
                   (track.pregap > 0 ? cdTime(track.pregap) : "        ") + "  " + padded(files[index]);
        if (titled)
            listing += shownText(track.text->title);
        listing += '\n';
    }
    listing += "\nDisc   " + cdTime(disc.length) + (disc.hasPregaps ? " with its pregaps, " : ", ") +
               grouped(disc.length) + " sectors: " + fill(disc.length, cdr74Frames, "a 74-minute CD-R") + ", " +
               fill(disc.length, cdr80Frames, "an 80-minute CD-R") + "\n";
    listing += std::string("Burn it with: cdrdao write --device DEVICE") +
               (titled ? " --driver generic-mmc:0x10" : "") + " " +
               (cueName == "-" ? std::string("CUEFILE, once the cue sheet is saved") : quoted(cueName)) + "\n";
    return listing;
}
