#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A command line, and what it asks for: the flags as letters (s strict, h
// help, v version, t tracks, n dry-run, c cd-text, o toc), the words left,
// and the unknown option.
struct CommandCase {
    std::vector<std::string> words;  // after the program's name
    std::string flags;
    std::vector<std::string> arguments;
    std::string unknown;
    std::string convertInto = "";  // the folder --convert takes
};

const CommandCase commandCases[] = {
    {{"album.txt", "--strict"}, "s", {"album.txt"}, ""},
    {{"list.txt", "--strict", "out.cue"}, "s", {"list.txt", "out.cue"}, ""},
    {{"-h"}, "h", {}, ""},
    {{"--version"}, "v", {}, ""},
    {{"--bogus", "album.txt"}, "", {}, "--bogus"},
    {{"--strict=yes"}, "", {}, "--strict=yes"},
    {{"--strict", "-xh"}, "s", {}, "-xh"},  // the run stops at an unknown option, named whole
    {{"-strict", "a.txt"}, "", {}, "-strict"},
    {{"a.txt", "-hh"}, "h", {"a.txt"}, ""},
    {{"--", "--strict", "-h"}, "", {"--strict", "-h"}, ""},
    {{"-", "out.cue"}, "", {"-", "out.cue"}, ""},
    // A long option may be cut short where no other starts the same.
    {{"--track", "--dry", "--cd", "--str", "--vers", "--he"}, "shvtnc", {}, ""},
    {{"--cd-texts"}, "", {}, "--cd-texts"},
    {{"--to", "--tr"}, "to", {}, ""},
    {{"--t", "a.txt"}, "", {}, "--t"},  // --toc or --tracks
    // --convert takes the next word, or what follows "=".
    {{"a.txt", "--convert", "cd", "b.cue"}, "", {"a.txt", "b.cue"}, "", "cd"},
    {{"--conv=my cd", "a.txt"}, "", {"a.txt"}, "", "my cd"},
    {{"a.txt", "--convert"}, "", {"a.txt"}, "--convert"},  // with no folder
    {{"--strict=", "a.txt"}, "", {}, "--strict="},
};

TEST(Options, ReadsOptionsAnywhere)
{
    for (const CommandCase& testCase : commandCases) {
        std::vector<std::string> words = testCase.words;
        words.insert(words.begin(), "trelvask");
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const Options options = readOptions(static_cast<int>(argv.size() - 1), argv.data());
        const std::string flags = std::string(options.strict ? "s" : "") + (options.help ? "h" : "") +
                                  (options.version ? "v" : "") + (options.tracks ? "t" : "") +
                                  (options.dryRun ? "n" : "") + (options.cdText ? "c" : "") + (options.toc ? "o" : "");
        EXPECT_EQ(flags, testCase.flags) << testing::PrintToString(testCase.words);
        EXPECT_EQ(std::vector<std::string>(options.arguments.begin(), options.arguments.end()), testCase.arguments);
        EXPECT_EQ(options.unknown, testCase.unknown);
        EXPECT_EQ(options.convertInto, testCase.convertInto);
    }
}

// What the user may have meant.
TEST(Options, HintsAtWhatWasMeant)
{
    const std::pair<std::string, std::string> cases[] = {
        {"-strict", "did you mean --strict?"},
        {"-version", "did you mean --version?"},
        {"-dash.txt", "to name a file that starts with -, write -- before it, or ./-dash.txt"},
        {"--strict=yes", "--strict takes no value"},
        {"--t", "it is the start of --toc and --tracks; write more of the one you mean"},
        {"--bogus", ""},
        {"-x", ""},
    };
    for (const auto& [word, hint] : cases)
        EXPECT_EQ(unknownOptionHint(word), hint) << word;
}

}  // namespace
