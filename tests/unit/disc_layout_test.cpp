#include "disc_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disc_listing.h"

namespace {

// A table of CD-audio files that hold frames[i] sample frames each.
TrackTable measured(std::string& list, const std::vector<int64_t>& frames)
{
    TrackTable table;
    buildTrackTable(list, table);
    for (size_t at = 0; at < frames.size() && at < table.wavFiles.size(); ++at)
        table.wavFiles[at] = {.info = {.formatCode = 1, .channels = 2, .bitsPerSample = 16, .frameBytes = 4,
                                       .sampleRate = 44100, .sampleFrames = frames[at]},
                              .dataBytesPresent = frames[at] * 4};
    return table;
}

constexpr int64_t second = 44100;

struct LayoutCase {
    const char* name;
    std::string list;
    std::vector<int64_t> frames;  // of each file
    std::vector<std::string> tracks;  // "start+length" in CD frames, as cdrdao show-toc prints them
    int64_t length;                   // as cdrdao toc-size prints it
};

const LayoutCase layoutCases[] = {
    {"Files", "a.wav\nb.wav\n", {4 * second, 8 * second}, {"0+300", "300+600"}, 900},
    {"Pregaps", "a.wav\nP 00:02:00\nb.wav\nP 00:01:10\n", {4 * second, 4 * second}, {"150+300", "535+300"}, 835},
    {"Splits", "a.wav\nS 00:04:30\nP 00:01:00\nS 00:06:00\n", {10 * second}, {"0+330", "405+120", "525+300"}, 825},
    // A part sector is padded to a whole one at the end of its file.
    {"PartSectors", "a.wav\nb.wav\nS 00:02:00\n", {4 * second + 1, 4 * second - 1}, {"0+301", "301+150", "451+150"},
     601},
    {"FaultySplits", "a.wav\nS 00:06:00\nS 1:2\nS 00:08:00\nS 00:07:00\nS 00:20:00\n", {10 * second},
     {"0+450", "450+-1", "-1+-1", "600+-1", "-1+-1", "-1+-1"}, 750},
};

TEST(DiscLayout, PlacesTracksAsTheBurner)
{
    for (const LayoutCase& testCase : layoutCases) {
        std::string list = testCase.list;
        const TrackTable table = measured(list, testCase.frames);
        const DiscLayout layout = layOutDisc(table, listTracks(table));
        std::vector<std::string> tracks;
        for (const PlacedTrack& track : layout.tracks)
            tracks.push_back(std::to_string(track.start) + "+" + std::to_string(track.length));
        EXPECT_EQ(tracks, testCase.tracks) << testCase.name;
        EXPECT_EQ(layout.length, testCase.length) << testCase.name;
    }
}

// The disc's line of the listing at the edges of a 74- and an 80-minute CD-R.
TEST(DiscLayout, SaysHowFullACdRIs)
{
    const std::pair<int64_t, std::string> cases[] = {
        {300, "00:04:00, 300 sectors: 0.0% of a 74-minute CD-R, 0.0% of an 80-minute CD-R"},
        {cdr74Frames, "73:58:00, 332,850 sectors: 100.0% of a 74-minute CD-R, 92.4% of an 80-minute CD-R"},
        {cdr74Frames + 1, "73:58:01, 332,851 sectors: over a 74-minute CD-R by 00:00:01, 92.4% of an 80-minute CD-R"},
        {cdr80Frames, "79:57:74, 359,849 sectors: over a 74-minute CD-R by 05:59:74, 100.0% of an 80-minute CD-R"},
        {cdr80Frames + 76, "79:59:00, 359,925 sectors: over a 74-minute CD-R by 06:01:00, over an 80-minute CD-R by "
                           "00:01:01"},
    };
    for (const auto& [frames, line] : cases) {
        std::string list = "a.wav\n";
        const TrackTable table = measured(list, {frames * 588});
        const std::string listing = formatListing(table, nullptr, "a.cue");
        EXPECT_NE(listing.find("\nDisc   " + line + "\n"), std::string::npos) << listing;
    }
}

}  // namespace
