#include "cue_sheet.h"

#include <gtest/gtest.h>

#include <string>

#include "track_list.h"

namespace {

std::string cueFor(std::string list)
{
    TrackTable table;
    buildTrackTable(list, table);
    return buildCueText(buildDisc(table));
}

struct CueCase {
    const char* name;
    std::string list;
    std::string cue;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CueCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const CueCase cueCases[] = {
    {"Empty", "", ""},
    {"OneFile", "a.wav\n", "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
    {"SplitsAndPregaps", "intro.wav\nP 00:02:00\nalbum.wav\nS 04:10:00\nP 00:01:00\nS 09:30:00\n",
     "FILE \"intro.wav\" WAVE\n"
     "  TRACK 01 AUDIO\n"
     "    PREGAP 00:02:00\n"
     "    INDEX 01 00:00:00\n"
     "FILE \"album.wav\" WAVE\n"
     "  TRACK 02 AUDIO\n"
     "    INDEX 01 00:00:00\n"
     "  TRACK 03 AUDIO\n"
     "    PREGAP 00:01:00\n"
     "    INDEX 01 04:10:00\n"
     "  TRACK 04 AUDIO\n"
     "    INDEX 01 09:30:00\n"},
    {"TwoCharactersAlwaysSkipped", "a.wav\nS03:15:20\n",
     "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 3:15:20\n"},
    {"ShortTimeTextsAreEmpty", "a.wav\nP \nS \nP\nS\n",
     "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    PREGAP \n    INDEX 01 00:00:00\n"
     "  TRACK 02 AUDIO\n    PREGAP \n    INDEX 01 \n"
     "  TRACK 03 AUDIO\n    INDEX 01 \n"},
    {"SecondPregapIgnored", "a.wav\nP 00:02:00\nP 00:03:00\n",
     "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:00:00\n"},
    {"PregapAfterOtherIgnored", "a.wav\n# comment\nP 00:03:00\n",
     "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
    {"NameCopiedVerbatim", "dir/My 100% \\ Song.wav\n",
     "FILE \"dir/My 100% \\ Song.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
    // cdrdao reads a backslash before a digit as an escape; "\134" is one backslash.
    {"BackslashBeforeADigit", "x\\1y\\.wav\n", "FILE \"x\\1341y\\.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
};

class CueSheetTest : public testing::TestWithParam<CueCase> {};

TEST_P(CueSheetTest, BuildsText)
{
    EXPECT_EQ(cueFor(GetParam().list), GetParam().cue);
}

INSTANTIATE_TEST_SUITE_P(Lists, CueSheetTest, testing::ValuesIn(cueCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CueSheet, TrackNumbersHaveAtLeastTwoDigits)
{
    std::string list = "a.wav\n";
    for (int split = 0; split < 120; ++split)
        list += "S 00:00:00\n";
    const std::string cue = cueFor(list);
    EXPECT_NE(cue.find("  TRACK 08 AUDIO\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 10 AUDIO\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 100 AUDIO\n"), std::string::npos);
    EXPECT_NE(cue.find("  TRACK 121 AUDIO\n"), std::string::npos);
    EXPECT_EQ(cue.find("  TRACK 122 AUDIO\n"), std::string::npos);
}

TEST(CueSheet, LongNamesAreNotCut)
{
    const std::string name = std::string(5000, 'x') + ".wav";
    std::string list;
    for (int file = 0; file < 100; ++file)
        list += name + "\n";
    const std::string cue = cueFor(list);
    const std::string lastTrack = "FILE \"" + name + "\" WAVE\n  TRACK 100 AUDIO\n    INDEX 01 00:00:00\n";
    EXPECT_TRUE(cue.starts_with("FILE \"" + name + "\" WAVE\n  TRACK 01 AUDIO\n"));
    EXPECT_TRUE(cue.ends_with(lastTrack));
}

}  // namespace
