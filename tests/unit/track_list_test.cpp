#include "track_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Each row as "<kind> <text>", kind being wav, split, pregap or other.
std::vector<std::string> describeRows(std::string list)
{
    TrackTable table;
    const int count = buildTrackTable(list, table);
    EXPECT_EQ(count, table.entryCount());
    std::vector<std::string> rows;
    int wavFiles = 0;
    for (const Row& row : table.rows) {
        const char* const kinds[] = {"wav", "split", "pregap", "other"};
        rows.push_back(std::string(kinds[static_cast<int>(row.kind)]) + " " + row.lineText);
        // Each WAV row has its own file entry, in list order.
        EXPECT_EQ(row.wavIndex, row.isWav() ? wavFiles++ : -1) << row.lineText;
    }
    EXPECT_EQ(table.wavFiles.size(), static_cast<size_t>(wavFiles));
    return rows;
}

struct ListCase {
    const char* name;
    std::string list;
    std::vector<std::string> rows;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ListCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const ListCase listCases[] = {
    {"EmptyList", "", {}},
    {"OnlyLineEnds", "\r\n\n\r\r\n", {}},
    {"FirstLineIsAlwaysWav", "S 01:00:00\nP 00:02:00\n", {"wav S 01:00:00", "pregap P 00:02:00"}},
    {"Kinds", "a.wav\nS 01:00:00\nP 00:02:00\nnotes\nb.WAV\n",
     {"wav a.wav", "split S 01:00:00", "pregap P 00:02:00", "other notes", "wav b.WAV"}},
    {"WavOverridesSplitAndPregap", "a.wav\nSong.wav\nPause.WAV\n", {"wav a.wav", "wav Song.wav", "wav Pause.WAV"}},
    {"CaseAndBlanksMatter", "a.wav\ns 01:00:00\n S 01:00:00\ntrack.Wav\np 1\n",
     {"wav a.wav", "other s 01:00:00", "other  S 01:00:00", "other track.Wav", "other p 1"}},
    {"WavAnywhereInLine", "a.wav\nnotes.wave.txt\n", {"wav a.wav", "wav notes.wave.txt"}},
    {"BlankLinesAndCrlf", "\r\n\r\na.wav\r\n\r\nS 01:00:00\r\nP\r\n", {"wav a.wav", "split S 01:00:00", "pregap P"}},
    {"CrOnlyLineEnds", "a.wav\rS 1\r", {"wav a.wav", "split S 1"}},
    {"NoFinalLineEnd", "a.wav\nS 1", {"wav a.wav", "split S 1"}},
    {"NulEndsTheList", std::string("a.wav\nS 1\0b.wav\n", 16), {"wav a.wav", "split S 1"}},
    {"ByteOrderMarkSkipped", "\xEF\xBB\xBF" "a.wav\n", {"wav a.wav"}},
    {"ByteOrderMarkOnlyAtStart", "a.wav\n\xEF\xBB\xBF" "b.wav\n", {"wav a.wav", "wav \xEF\xBB\xBF" "b.wav"}},
};

class TrackListTest : public testing::TestWithParam<ListCase> {};

TEST_P(TrackListTest, ClassifiesRows)
{
    EXPECT_EQ(describeRows(GetParam().list), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Lists, TrackListTest, testing::ValuesIn(listCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Line numbers count every line as an editor shows it, blank ones too.
TEST(TrackList, NumbersLinesAsEditorsDo)
{
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"a.wav\nS 1\n", {1, 2}},
        {"\n\na.wav\n\nS 1\n", {3, 5}},
        {"a.wav\r\n\r\nS 1\r\nP 2", {1, 3, 4}},
        {"a.wav\r\rS 1\rP 2\n\rb.wav", {1, 3, 4, 6}},
        {"\xEF\xBB\xBF\na.wav", {2}},
    };
    for (auto [list, numbers] : cases) {
        TrackTable table;
        buildTrackTable(list, table);
        std::vector<int> lineNumbers;
        for (const Row& row : table.rows)
            lineNumbers.push_back(row.lineNumber);
        EXPECT_EQ(lineNumbers, numbers) << list;
    }
}

TEST(TrackList, RebuildingClearsEarlierRows)
{
    std::string first = "a.wav\nP 1\n";
    std::string second = "b.wav\nnotes\n";
    TrackTable table;
    buildTrackTable(first, table);
    buildTrackTable(second, table);
    ASSERT_EQ(table.entryCount(), 2);
    EXPECT_EQ(table.rows[1].kind, LineKind::other);
    EXPECT_EQ(table.wavFiles.size(), 1u);
}

}  // namespace
