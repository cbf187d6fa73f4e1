#include "cd_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "track_list.h"

namespace {

// A text as the disc gets it: in Latin-1, no quote, no more than the 80 bytes
// a cue sheet's text holds, where every backslash takes four ("\134", since
// cdrdao reads one before any digit as an escape); and whether the user is
// told it changed.
TEST(CdText, FitsTextsToACd)
{
    const std::string eighty(80, 'x');
    const struct {
        std::string text;
        std::string written;
        bool replaced;
        bool cut;
    } cases[] = {
        {"Caf\xC3\xA9", "Caf\xE9", false, false},                           // UTF-8 made Latin-1
        {"Caf\xE9", "Caf\xE9", false, false},                               // Latin-1 already
        {"Dvo\xC5\x99\xC3\xA1k \xE2\x80\x93 Largo", "Dvor\xE1" "k - Largo", true, false},
        {"Night\xE2\x80\x99s \xE2\x80\x9C" "End\xE2\x80\x9D\xE2\x80\xA6", "Night's 'End'...", true, false},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", "??", true, false},
        {"Say \"Hi\"", "Say 'Hi'", false, false},
        {"AC\\DC \\\\ x \\101 \\9 Track \\12 ends \\", "AC\\DC \\\\ x \\101 \\9 Track \\12 ends \\", false, false},
        {std::string(20, '\\'), std::string(20, '\\'), false, false},  // 80 bytes as written
        {std::string(21, '\\'), std::string(20, '\\'), false, true},
        {std::string(76, 'x') + " \\y", std::string(76, 'x'), false, true},  // no blank left where it is cut
        {"tab\tand\nline", "tab and line", false, false},
        {"  \t ", "", false, false},
        {eighty, eighty, false, false},
        {eighty + "y", eighty, false, true},
        {std::string(78, 'x') + "\xC3\xA9\xC3\xA9", std::string(78, 'x') + "\xE9\xE9", false, false},
        {std::string(77, 'x') + "\xE2\x80\xA6", std::string(77, 'x') + "...", true, false},
        {std::string(78, 'x') + "\xE2\x80\xA6", std::string(78, 'x') + "..", true, true},
        {std::string(77, 'x') + "a\\", std::string(77, 'x') + "a", false, true},  // "\134" is not cut in two
        {std::string(78, 'x') + "\\\\", std::string(78, 'x'), false, true},
    };
    for (const auto& testCase : cases) {
        const FitText fit = fitCdText(testCase.text);
        EXPECT_EQ(fit.text, testCase.written) << testCase.text;
        EXPECT_EQ(fit.replaced, testCase.replaced) << testCase.text;
        EXPECT_EQ(fit.cut, testCase.cut) << testCase.text;
    }
}

// A file's tags as "title|artist|album|album artist".
Tags tags(const std::string& fields)
{
    Tags tags;
    std::string* parts[] = {&tags.title, &tags.artist, &tags.album, &tags.albumArtist};
    size_t at = 0;
    for (std::string* part : parts) {
        const size_t end = std::min(fields.find('|', at), fields.size());
        *part = fields.substr(at, end - at);
        at = end + 1;
    }
    return tags;
}

struct ChoiceCase {
    const char* name;
    std::string list;
    std::vector<std::string> tags;  // one for each WAV line
    // "disc title|disc performer", then "title|performer" for each track
    std::vector<std::string> texts;
    std::string untaggedNote = "";  // the note that names the files without tags, where some have them
};

// Every text comes from somewhere, for the disc and every track: the rule
// "the disc and every track, or none" always holds.
const ChoiceCase choiceCases[] = {
    {"Tagged", "01 - a.wav\nb.wav\n", {"One|Band|Album|", "Two|Band|Album|"},
     {"Album|Band", "One|Band", "Two|Band"}},
    {"AlbumArtistFirst", "a.wav\nb.wav\n", {"One|X|Mix|Various DJs", "Two|Y||"},
     {"Mix|Various DJs", "One|X", "Two|Y"}},
    {"PerformersDiffer", "a.wav\nb.wav\n", {"One|X||", "Two|Y||"}, {"Folder|Various Artists", "One|X", "Two|Y"}},
    // The artist every file that has one shares is the disc's, and the others' too.
    {"SomeUntagged", "a.wav\nb.wav\nc.wav\n", {"One|X||", "|||", "Three|X||"},
     {"Folder|X", "One|X", "b|X", "Three|X"},
     "b.wav carries no tags, unlike the other files, so its tracks take their titles from its name and their "
     "performer from the disc"},
    {"ManyUntagged", "a.wav\nb.wav\nc.wav\nd.wav\ne.wav\n", {"|X||", "|||", "|||", "|||", "|||"},
     {"Folder|X", "a|X", "b|X", "c|X", "d|X", "e|X"}, "b.wav, c.wav, d.wav and 1 more carry no tags"},
    {"Untagged", "music/03 - Night.wav\nS 04:10:00 Dawn Song\nS 06:00:00\n", {"|||"},
     {"Folder|Various Artists", "Night|Various Artists", "Dawn Song|Various Artists", "Night|Various Artists"}},
    {"TitleTagAndSplitTitle", "a.wav\nS 01:00:00 Second\n", {"First|Solo||"}, {"Folder|Solo", "First|Solo", "Second|Solo"}},
    {"EmptyOnceFit", "\x01.wav\n", {" |\t||"}, {"Folder|Various Artists", "Track 1|Various Artists"}},
    {"TitlesFromNames", "03. Dawn.WAV\n12_Sunrise.wav\n2Pac.wav\n03.wav\n", {"|||", "|||", "|||", "|||"},
     {"Folder|Various Artists", "Dawn|Various Artists", "Sunrise|Various Artists", "2Pac|Various Artists",
      "03|Various Artists"}},
};

TEST(CdText, ChoosesTheTexts)
{
    for (const ChoiceCase& testCase : choiceCases) {
        std::string list = testCase.list;
        TrackTable table;
        buildTrackTable(list, table);
        for (const std::string& fields : testCase.tags)
            table.tags.push_back(tags(fields));
        Findings findings;
        Disc disc = buildDisc(table);
        chooseCdText(disc, "Folder", findings);
        std::vector<std::string> texts = {disc.text.title + '|' + disc.text.performer};
        for (const DiscTrack& track : disc.tracks)
            texts.push_back(track.text->title + '|' + track.text->performer);
        EXPECT_EQ(texts, testCase.texts) << testCase.name;
        std::string notes;
        for (const Finding& finding : findings.list)
            if (finding.text.find("no tags") != std::string::npos)
                notes += finding.text;
        EXPECT_EQ(notes.substr(0, testCase.untaggedNote.size()), testCase.untaggedNote) << testCase.name;
        EXPECT_EQ(notes.empty(), testCase.untaggedNote.empty()) << testCase.name;
    }
}

// Every rule names no more than 1,000 findings, and counts the rest in one line.
TEST(CdText, CapsTheWarningsOfARule)
{
    std::string list = "a.wav\n";
    for (int split = 1; split <= 3000; ++split)
        list += "S 00:00:" + std::to_string(split % 60) + " Dvo\xC5\x99\xC3\xA1k " + std::to_string(split) + "\n";
    TrackTable table;
    buildTrackTable(list, table);
    table.tags.assign(1, {});
    Findings findings;
    Disc disc = buildDisc(table);
    chooseCdText(disc, "", findings);
    const std::vector<Finding> printed = inOrder(std::move(findings));
    const auto count = [&printed](std::string_view words) {
        return std::count_if(printed.begin(), printed.end(),
                             [words](const Finding& finding) { return finding.text.find(words) != std::string::npos; });
    };
    EXPECT_EQ(count("in Latin-1, cannot"), 1000);
    EXPECT_EQ(count("2000 more warnings like the last 1000"), 1);
}

// Each field takes ceil(sum of (bytes + 1) / 12) packs; with the 3 size
// packs, a block holds 256.
TEST(CdText, CountsPacksToTheLimit)
{
    const struct {
        int tracks;
        size_t bytes;  // of every title and performer
        int packs;
        bool warned;
    } cases[] = {
        {1, 11, 2 + 2 + 3, false},
        {17, 80, 2 * 122 + 3, false},  // 18 texts of 81 bytes each field
        {18, 80, 2 * 129 + 3, true},   // cdrdao 1.2.4 then wraps its sequence numbers
        {99, 10, 2 * 92 + 3, false},
        {99, 13, 2 * 117 + 3, false},
        {99, 15, 2 * 134 + 3, true},
    };
    for (const auto& testCase : cases) {
        std::string list;
        for (int track = 0; track < testCase.tracks; ++track)
            list += std::string(testCase.bytes - 1, 'a') + static_cast<char>('A' + track % 26) + ".wav\n";
        TrackTable table;
        buildTrackTable(list, table);
        table.tags.assign(table.wavFiles.size(),
                          {.title = std::string(testCase.bytes, 't'), .artist = std::string(testCase.bytes, 'p'),
                           .album = std::string(testCase.bytes, 'a'), .albumArtist = ""});
        Findings findings;
        Disc disc = buildDisc(table);
        chooseCdText(disc, "", findings);
        EXPECT_EQ(cdTextPackCount(disc), testCase.packs) << testCase.tracks << " tracks";
        EXPECT_EQ(!findings.list.empty(), testCase.warned) << testCase.tracks << " tracks";
    }
}

}  // namespace
