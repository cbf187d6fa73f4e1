#include "toc_sheet.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "track_list.h"

namespace {

// A TOC file's tracks: the files' audio runs on from one into the next, each
// track starting at the sector nearest to its audio, so that only the last
// track and a track before a pregap are padded.
struct SeamCase {
    const char* name;
    std::string list;
    std::vector<int64_t> files;  // sample frames of CD audio, one for each WAV line
    std::string seams;           // each track's FILE lines, "name start [length]", joined by " + ", tracks by " ; "
    std::vector<std::string> places;  // "start+length" in sectors, as cdrdao show-toc prints them
    int64_t tagBytes = 0;             // after the last file's audio, as GStreamer writes it through a pipe
};

const SeamCase seamCases[] = {
    {"WholeSectors", "a.wav\nb.wav\n", {588 * 300, 588 * 400}, "a.wav 0 ; b.wav 0", {"0+300", "300+400"}},
    // The example of three unaligned files: each boundary moves to the nearest sector.
    {"Unaligned", "a.wav\nb.wav\nc.wav\n", {441441, 323385, 242550},
     "a.wav 0 + b.wav 0 147 ; b.wav 147 + c.wav 0 162 ; c.wav 162", {"0+751", "751+550", "1301+413"}},
    {"RoundsDown", "a.wav\nb.wav\n", {588 * 300 + 200, 588 * 300}, "a.wav 0 176400 ; a.wav 176400 + b.wav 0",
     {"0+300", "300+301"}},
    {"OneFile", "a.wav\n", {588 * 300 + 1}, "a.wav 0", {"0+301"}},
    // A split in a file that starts inside a sector moves with it.
    {"SplitInUnalignedFile", "a.wav\nb.wav\nS 00:05:00\n", {588 * 300 + 100, 588 * 900},
     "a.wav 0 176400 ; a.wav 176400 + b.wav 0 220400 ; b.wav 220400", {"0+300", "300+375", "675+526"}},
    // Before a pregap a track keeps its end, padded, and the next starts exactly.
    {"Pregaps", "a.wav\nP 00:02:00\nb.wav\nP 00:01:00\nc.wav\n", {588 * 300 + 100, 588 * 300 + 50, 588 * 300},
     "a.wav 0 ; b.wav 0 176400 ; b.wav 176400 + c.wav 0", {"150+301", "526+300", "826+301"}},
    {"PregapOnASplit", "a.wav\nS 00:04:00\nP 00:01:00\n", {588 * 600 + 7}, "a.wav 0 176400 ; a.wav 176400",
     {"0+300", "375+301"}},
    // A streamed file's 40-byte tag after its audio is left out by its length.
    {"StreamedFileKeepsItsTagOff", "a.wav\n", {588 * 300}, "a.wav 0 176400", {"0+300"}, 40},
    {"FaultySplitStaysWithTheTrackBefore", "a.wav\nS 00:30:00\nb.wav\n", {588 * 300, 588 * 300},
     "a.wav 0 ; b.wav 0", {"0+300", "-1+-1", "300+300"}},
};

// A disc laid out for a TOC file, from files of CD audio that hold that many
// samples, the last with a tag chunk of tagBytes after its audio.
Disc tocDisc(std::string& list, TrackTable& table, const std::vector<int64_t>& files, int64_t tagBytes = 0)
{
    buildTrackTable(list, table);
    for (size_t at = 0; at < files.size() && at < table.wavFiles.size(); ++at) {
        const int64_t tag = at + 1 == files.size() ? tagBytes : 0;
        table.wavFiles[at] = {.info = {.formatCode = 1, .channels = 2, .bitsPerSample = 16, .frameBytes = 4,
                                       .sampleRate = 44100, .sampleFrames = files[at],
                                       .dataSize = static_cast<uint64_t>(files[at] * 4 + tag),
                                       .trailingTagBytes = static_cast<uint64_t>(tag)},
                              .dataBytesPresent = files[at] * 4 + tag};
    }
    return buildDisc(table, Sheet::toc);
}

// The FILE lines of the TOC text, as the cases write them.
std::string seamsOf(const std::string& toc)
{
    std::istringstream lines(toc);
    std::string seams, separator;
    for (std::string line; std::getline(lines, line);) {
        if (line == "TRACK AUDIO") {
            separator = seams.empty() ? "" : " ; ";
        } else if (line.starts_with("FILE \"")) {
            line.erase(0, 6);
            line.erase(line.find('"'), 1);
            seams += separator;
            seams += line;
            separator = " + ";
        }
    }
    return seams;
}

// 99 files, each 4 s and a few samples: the last seams have moved the most.
// Its places are not listed, only checked as every case's are below.
SeamCase ninetyNineFiles()
{
    SeamCase many{"NinetyNineFiles", "", {}, "", {}};
    for (int file = 0; file < 99; ++file) {
        many.list += std::to_string(file) + ".wav\n";
        many.files.push_back(4 * 44100 + 1 + file * 7);
    }
    return many;
}

// Besides the places listed: a file's first track starts within half a
// sector of the file's audio, and the tracks hold every sample once.
TEST(TocSheet, RunsTheFilesOnFromOneIntoTheNext)
{
    std::vector<SeamCase> cases(std::begin(seamCases), std::end(seamCases));
    cases.push_back(ninetyNineFiles());
    for (const SeamCase& testCase : cases) {
        std::string list = testCase.list;
        TrackTable table;
        const Disc disc = tocDisc(list, table, testCase.files, testCase.tagBytes);
        std::vector<std::string> places;
        int64_t audioStart = 0;
        int64_t held = 0;
        size_t file = 0;
        for (const DiscTrack& track : disc.tracks) {
            places.push_back(std::to_string(track.start) + "+" + std::to_string(track.length));
            if (track.startRow == track.fileRow) {
                EXPECT_LE(std::abs(track.firstSample - audioStart), 294) << testCase.name << ", file " << file;
                audioStart += testCase.files[file++];
            }
            held += track.sampleCount;
        }
        EXPECT_EQ(held, audioStart) << testCase.name;
        if (!testCase.seams.empty()) {
            EXPECT_EQ(places, testCase.places) << testCase.name;
            EXPECT_EQ(seamsOf(buildTocText(disc)), testCase.seams) << testCase.name;
        }
    }
}

// The disc's texts in a TOC file: a language map, and double quotes kept.
TEST(TocSheet, WritesCdTextWithItsLanguageMap)
{
    std::string list = "a.wav\n";
    TrackTable table;
    Disc disc = tocDisc(list, table, {588 * 300});
    disc.hasCdText = true;
    disc.text = {"Say \"Hi\" \\1", "Band"};
    disc.tracks[0].text = std::make_unique<TextPair>(TextPair{"One", "Band"});
    EXPECT_EQ(buildTocText(disc), "CD_DA\nCD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n  LANGUAGE 0 {\n"
                                  "    TITLE \"Say \\\"Hi\\\" \\1341\"\n    PERFORMER \"Band\"\n  }\n}\n\n"
                                  "TRACK AUDIO\nCD_TEXT {\n  LANGUAGE 0 {\n    TITLE \"One\"\n"
                                  "    PERFORMER \"Band\"\n  }\n}\nFILE \"a.wav\" 0\n");
}

}  // namespace
