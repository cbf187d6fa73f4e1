#include "burn_check.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "disc.h"
#include "disc_listing.h"
#include "list_check.h"
#include "track_list.h"

namespace {

constexpr int64_t sector = 2352;
constexpr int64_t second = 75 * sector;  // bytes of CD audio

TEST(BurnCheck, ReadsCdTimes)
{
    const std::pair<const char*, int64_t> cases[] = {
        {"00:00:00", 0},   {"04:10:00", 18750}, {"1:2:3", 4653},   {"99:59:74", 449999}, {"00:59:74", 4499},
        {"00:60:00", -1},  {"00:03:75", -1},    {"000:03:00", -1}, {"00:003:00", -1},    {"1:2", -1},
        {"ab:cd:ef", -1},  {"", -1},            {"00:00:00 ", -1}, {"-1:00:00", -1},     {"00::00", -1},
        {"00:00:00:00", -1},
    };
    for (const auto& [text, frames] : cases)
        EXPECT_EQ(cdTimeFrames(text), frames) << '"' << text << '"';
}

// What a WAV file's header and size say; CD audio unless a case says otherwise.
struct File {
    int64_t declaredBytes;
    int64_t presentBytes = -1;  // as declared when -1
    int64_t rate = 44100;
    int channels = 2;
    int bits = 16;
    int formatCode = 1;
    WavLayout layout = WavLayout::riff;
    DataLength length = DataLength::declared;
    Ending ending = Ending::unread;
    int64_t tagBytes = 0;  // a streamed file's tag chunk after its audio, counted in the declared bytes
};

struct DiscCase {
    const char* name;
    std::string list;
    std::vector<File> files;  // one for each WAV line, in order
    std::vector<std::pair<int, std::string>> findings;  // line, and words the text holds
    Sheet sheet = Sheet::cue;
};

void PrintTo(const DiscCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const DiscCase discCases[] = {
    {"CleanDisc", "a.wav\nP 00:02:00\nb.wav\nS 00:04:00\n", {{4 * second}, {8 * second}}, {}},
    {"NotCdAudio", "a.wav\nb.wav\nc.wav\nd.wav\ne.wav\n",
     {{8 * second, -1, 48000}, {8 * second, -1, 44100, 1}, {8 * second, -1, 44100, 2, 24},
      {8 * second, -1, 44100, 2, 32, 3}, {8 * second, -1, 44100, 2, 16, 0xFFFE}},
     {{1, "48000 Hz"}, {2, "mono"}, {3, "24-bit"}, {4, "floating point"}, {5, "0xFFFE"}}},
    {"CutOff", "a.wav\n", {{10 * second, 5 * second}}, {{1, "holds 0:5:0 of audio, less than the 0:10:0"}}},
    // Padding is heard only where the music runs on into the next file.
    {"PartSectorButTheLast", "a.wav\nb.wav\n",
     {{.declaredBytes = 4 * second + 4, .ending = Ending::music}, {.declaredBytes = 4 * second + 4, .ending = Ending::music}},
     {{1, "a.wav does not fill whole CD sectors, and its music runs on into b.wav"}}},
    {"PaddingAfterSilenceOrBeforeAPregap", "a.wav\nb.wav\nc.wav\nP 00:01:00\n",
     {{.declaredBytes = 4 * second + 4, .ending = Ending::silent}, {.declaredBytes = 4 * second + 4, .ending = Ending::music},
      {4 * second}},
     {}},
    {"GaplessRunOfFiles", "a.wav\nb.wav\nc.wav\nd.wav\ne.wav\n",
     {{4 * second}, {.declaredBytes = 4 * second + 8, .ending = Ending::music},
      {.declaredBytes = 4 * second + 8, .ending = Ending::music}, {.declaredBytes = 4 * second + 8, .ending = Ending::music},
      {4 * second}},
     {{2, "b.wav, c.wav and d.wav do not fill whole CD sectors, and their music runs on into the next file, so the "
          "silence the burner pads each with (up to 13 ms) will be heard as a gap; keep the music gapless with --toc, "
          "which writes cdrdao's own TOC file and changes no file, or by moving each boundary into the next file: "
          "shntool fix -r none -k \"b.wav\" \"c.wav\" \"d.wav\" \"e.wav\", then list the -fixed.wav files"}}},
    // A TOC file runs the music on and gives a streamed file's length: no
    // padding, no tag burned as noise, and it holds quotes and long names.
    {"TocRunsTheMusicOn", "a\"b\".wav\n" + std::string(200, 'n') + ".wav\nc.wav\n",
     {{.declaredBytes = 4 * second + 8, .ending = Ending::music}, {.declaredBytes = 4 * second + 8, .ending = Ending::music},
      {.declaredBytes = 4 * second + 8, .length = DataLength::streamed, .tagBytes = 40}},
     {}, Sheet::toc},
    {"ShortTracks", "a.wav\nb.wav\nS 00:02:00\nS 00:08:00\n", {{3 * second}, {10 * second}},
     {{1, "track 1 (a.wav) lasts 0:3:0"}, {2, "track 2 (b.wav) lasts 0:2:0"},
      {4, "track 4 (b.wav from 00:08:00) lasts 0:2:0"}}},
    {"PregapDoesNotCount", "a.wav\nP 00:03:00\n", {{3 * second}}, {{1, "lasts 0:3:0"}}},
    {"BadTimeTexts", "a.wav\nS 1:2\nP 2:00\nS 00:63:00\nSunrise over the bay\nPiano piece\n", {{20 * second}},
     {{2, "\"1:2\" (a split of a.wav) is not a CD time"}, {3, "\"2:00\" (a pregap after a.wav)"},
      {4, "\"00:63:00\""},
      {5, "\"Sunrise over the bay\" starts with S, so it is read as a split, but it holds no time, and burners "
          "reject the cue sheet; if it is a note, start it with #"}, {6, "\"Piano piece\" starts with P"}}},
    {"SplitPastTheEnd", "a.wav\nS 00:10:00\nS 00:20:00\n", {{10 * second}},
     {{2, "00:10:00 is at or past the end of a.wav, which holds 0:10:0"}, {3, "00:20:00 is at or past"}}},
    {"SplitsOutOfOrder", "a.wav\nS 00:08:00\nS 00:04:00\n", {{20 * second}},
     {{3, "does not come after the split at 00:08:00 on line 2"}}},
    {"PregapLeftOut", "a.wav\nP 00:02:00\nP 00:01:00\n# note\nP 00:01:00\n", {{4 * second}},
     {{3, "follows no WAV or S line"}, {5, "follows no WAV or S line"}}},
    {"LineNumbersCountBlankLines", "\na.wav\n\n\nS 00:01:00\n", {{8 * second}}, {{2, "track 1"}}},
    {"TooLongDisc", "a.wav\nP 00:02:00\nb.wav\n", {{40 * 60 * second}, {(359849 - 180150 + 1) * sector}},
     {{0, "the disc lasts 79:58:0 (min:sec:frames) with its pregaps, more than the 79:57:74"}}},
    {"TooLongWithoutPregaps", "a.wav\n", {{359849 * sector + 4}}, {{0, "lasts 79:58:0 (min:sec:frames), more"}}},
    {"LongestDisc", "a.wav\nP 00:02:00\nb.wav\n", {{40 * 60 * second}, {(359849 - 180150) * sector}}, {}},
    // Files no arithmetic may overflow on: 2^63 bytes at 1 Hz, twice.
    {"LargestFiles", "a.wav\nS 99:59:74\nb.wav\n",
     {{INT64_MAX, -1, 1, 1, 8}, {INT64_MAX, -1, 1, 1, 8}},
     {{1, "a.wav is 1 Hz, 8-bit, mono"}, {3, "b.wav is 1 Hz"}, {0, "the disc lasts 2049638230412172:"}}},
    {"ZeroPregap", "a.wav\nP 00:00:00\nP 00:00:01\n", {{4 * second}}, {{2, "no length"}, {3, "follows no WAV"}}},
    {"NamesCdrdaoMisreads", "take1.wave\na.wav.bak\n" + std::string(144, 'n') + ".wav\n" + std::string(1021, 'n') +
     ".WAV\n", {{4 * second}, {4 * second}, {4 * second}, {4 * second}},
     {{1, "take1.wave does not end in .wav, so cdrdao takes it for raw samples"}, {2, "a.wav.bak does not end"},
      {3, "is 148 bytes long, and cdrdao 1.2.4 fails"}, {4, "is 1025 bytes long, and cdrdao 1.2.4 rejects"}}},
    {"HeadersCdrdaoRefuses", "a.wav\nb.wav\nc.wav\nd.wav\ne.wav\nf.wav\n",
     {{.declaredBytes = 4 * second, .layout = WavLayout::rf64}, {.declaredBytes = 4 * second, .layout = WavLayout::rifx},
      {.declaredBytes = 4 * second, .layout = WavLayout::dataBeforeFormat},
      {.declaredBytes = 4 * second, .layout = WavLayout::scanned},
      {.declaredBytes = 4 * second, .length = DataLength::zero},
      {.declaredBytes = 4 * second, .length = DataLength::streamed}},
     {{1, "a.wav is an RF64 file"}, {2, "b.wav is big-endian (RIFX)"}, {3, "c.wav has its audio before its format"},
      {4, "d.wav has chunks that do not lead"}, {5, "e.wav declares a data size of 0"}}},
    {"DoubleQuote", "my \"best\".wav\n", {{4 * second}}, {{1, "double quote"}}},
    {"ControlCharacter", "my\tsong.wav\nb\xC2\x9B.wav\n\xD0\x90.wav\n", {{4 * second}, {4 * second}, {4 * second}},
     {{1, "control character"}, {2, "control character"}}},
    {"NulCutsTheList", std::string("a.wav\n\0b.wav\n", 13), {{4 * second}}, {{2, "NUL byte"}}},
    {"LetterWithoutBlank", "a.wav\nS 00:05:00 \t\nS12:30:00\nP1:00:00\n", {{20 * 60 * second}},
     {{3, "\"S12:30:00\" is read as a split at \"2:30:00\", since the character after S is taken for a blank; "
          "write S 12:30:00"},
      {4, "read as a pregap at \":00:00\", which is not a CD time"}}},
    {"SplitOrPregapLeftOut", "a.wav\ns 00:10:00\n S 00:20:00\np 00:02:00\n\tP 00:02:00\n# S 00:10:00\ns 1\nsome notes\n",
     {{60 * second}},
     {{2, "capital S makes a split, at the very start of the line; write S 00:10:00"}, {3, "capital S"},
      {4, "capital P makes a pregap"}, {5, "capital P"}}},
    {"SoundFilesLeftOff", "a.wav\nTrack3.Wav\nsong.flac\nSONG.MP3 \nb.ogg\nc.Opus\nd.aiff\ne.aif\nf.m4a\n# old.flac\nflac\n",
     {{4 * second}},
     {{2, "Track3.Wav is left off the disc, since only a name holding .wav or .WAV makes a WAV line; rename the file "
          "to Track3.wav and write that name in the list"},
      {3, "song.flac is left off the disc, since a cue sheet for a CD takes WAV files only; run trelvask with "
          "--convert DIR to make CD audio of it in the folder DIR, or convert it by hand, as in: ffmpeg -i "
          "\"song.flac\" -ar 44100 -ac 2 \"song.wav\""},
      {4, "starts with S, so it is read as a split in the cue sheet, and SONG.MP3 is left off the disc, since a cue "
          "sheet for a CD takes WAV files only; run trelvask with --convert DIR"}, {5, "b.ogg"}, {6, "c.Opus"},
      {7, "d.aiff"}, {8, "e.aif"},
      {9, "f.m4a is left off the disc, since a cue sheet for a CD takes WAV files only; convert it first, as in: "
          "ffmpeg"}}},
    {"NoWavLine", "\r\n\n", {}, {{0, "the list names no WAV file, so the cue sheet is empty"}}},
    // Only a line no rule explains is looked up: the test's file system holds three and Disc 2.
    {"FilesLeftOffTheDisc", "a.wav\nthree\nDisc 2\nsong.wv\nsong.TTA\nMy notes\n# three\n", {{4 * second}},
     {{2, "three is a file, but it is left off the disc"}, {3, "Disc 2 is a folder, which is left off the disc"},
      {4, "song.wv is left off the disc, since a cue sheet for a CD takes WAV files only; convert it first, as in: "
          "ffmpeg -i \"song.wv\" -ar 44100 -ac 2 \"song.wav\""},
      {5, "song.TTA is left off"}}},
    {"TitlesAfterSplitTimes", "a.wav\nS 00:05:00 Night Song\nS 00:10:00\tDawn\nS 00:15:00 \n", {{20 * second}},
     {{2, "the title after this split's time, \"Night Song\", and those after 1 more splits, go on the disc only as "
          "CD-TEXT, with --cd-text; the cue sheet has the time alone"}}},
    {"NulCutsAName", std::string("a.w\0av\nb.wav\n", 13), {{4 * second}},
     {{1, "a NUL byte here cuts this line short after \"a.w\" and ends the list"}, {1, "a.w does not end in .wav"}}},
    {"NulBeforeBlanksOnly", std::string("a.wav\n\0\n \0", 10), {{4 * second}}, {}},
};

TrackTable measuredTable(std::string& list, const std::vector<File>& files)
{
    TrackTable table;
    buildTrackTable(list, table);
    EXPECT_EQ(table.wavFiles.size(), files.size());
    for (size_t at = 0; at < files.size() && at < table.wavFiles.size(); ++at) {
        const File& facts = files[at];
        table.wavFiles[at] = {
            .info = {.formatCode = facts.formatCode,
                     .channels = facts.channels,
                     .bitsPerSample = facts.bits,
                     .frameBytes = facts.channels * (facts.bits / 8),
                     .sampleRate = facts.rate,
                     .sampleFrames = facts.declaredBytes / (facts.channels * (facts.bits / 8)),
                     .trailingTagBytes = static_cast<uint64_t>(facts.tagBytes),
                     .layout = facts.layout,
                     .length = facts.length},
            .dataBytesPresent = facts.presentBytes < 0 ? facts.declaredBytes : facts.presentBytes,
            .ending = facts.ending,
        };
    }
    return table;
}

// What the run warns about: the list's slips and the disc's faults, in list
// order. The file system holds a file "three" and a folder "Disc 2".
std::vector<Finding> allFindings(const TrackTable& table, Sheet sheet = Sheet::cue)
{
    Findings findings;
    checkList(table, [](const char* name) {
        const std::string_view path = name;
        return path == "three" ? PathKind::file : path == "Disc 2" ? PathKind::folder : PathKind::none;
    }, {}, findings);
    checkDisc(buildDisc(table, sheet), findings);
    return inOrder(std::move(findings));
}

class BurnCheckTest : public testing::TestWithParam<DiscCase> {};

TEST_P(BurnCheckTest, Finds)
{
    std::string list = GetParam().list;
    const std::vector<Finding> findings = allFindings(measuredTable(list, GetParam().files), GetParam().sheet);
    ASSERT_EQ(findings.size(), GetParam().findings.size());
    for (size_t at = 0; at < findings.size(); ++at) {
        EXPECT_EQ(findings[at].lineNumber, GetParam().findings[at].first) << findings[at].text;
        EXPECT_NE(findings[at].text.find(GetParam().findings[at].second), std::string::npos) << findings[at].text;
    }
}

INSTANTIATE_TEST_SUITE_P(Discs, BurnCheckTest, testing::ValuesIn(discCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct LayoutCase {
    const char* name;
    std::string list;
    std::vector<File> files;
    std::vector<std::string> tracks;  // "start+length" in CD frames, as cdrdao show-toc prints them
    int64_t length;                   // as cdrdao toc-size prints it
};

const LayoutCase layoutCases[] = {
    {"Files", "a.wav\nb.wav\n", {{4 * second}, {8 * second}}, {"0+300", "300+600"}, 900},
    {"Pregaps", "a.wav\nP 00:02:00\nb.wav\nP 00:01:10\n", {{4 * second}, {4 * second}}, {"150+300", "535+300"}, 835},
    {"Splits", "a.wav\nS 00:04:30\nP 00:01:00\nS 00:06:00\n", {{10 * second}}, {"0+330", "405+120", "525+300"}, 825},
    // A part sector is padded to a whole one at the end of its file.
    {"PartSectors", "a.wav\nb.wav\nS 00:02:00\n", {{4 * second + 4}, {4 * second - 4}},
     {"0+301", "301+150", "451+150"}, 601},
    {"FaultySplits", "a.wav\nS 00:06:00\nS 1:2\nS 00:08:00\nS 00:07:00\nS 00:20:00\n", {{10 * second}},
     {"0+450", "450+-1", "-1+-1", "600+-1", "-1+-1", "-1+-1"}, 750},
};

TEST(DiscLayout, PlacesTracksAsTheBurner)
{
    for (const LayoutCase& testCase : layoutCases) {
        std::string list = testCase.list;
        const TrackTable table = measuredTable(list, testCase.files);
        const Disc disc = buildDisc(table);
        std::vector<std::string> tracks;
        for (const DiscTrack& track : disc.tracks)
            tracks.push_back(std::to_string(track.start) + "+" + std::to_string(track.length));
        EXPECT_EQ(tracks, testCase.tracks) << testCase.name;
        EXPECT_EQ(disc.length, testCase.length) << testCase.name;
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
        const TrackTable table = measuredTable(list, {{frames * sector}});
        const std::string listing = formatListing(buildDisc(table), "a.cue");
        EXPECT_NE(listing.find("\nDisc   " + line + "\n"), std::string::npos) << listing;
    }
}

TEST(BurnCheck, TrackOneHundredIsOneTooMany)
{
    std::string list = "a.wav\n";
    for (int split = 1; split < 100; ++split)
        list += "S " + std::to_string(split * 5 / 60) + ":" + std::to_string(split * 5 % 60) + ":00\n";
    const std::vector<Finding> findings = allFindings(measuredTable(list, {{600 * second}}));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].lineNumber, 100);
    EXPECT_NE(findings[0].text.find("track 100"), std::string::npos);
}

}  // namespace
