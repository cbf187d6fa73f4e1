#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A command line, and what it asks for: the flags as "strict help version"
// letters (s, h, v), the words left, and the unknown option.
struct CommandCase {
    std::vector<std::string> words;  // after the program's name
    std::string flags;
    std::vector<std::string> arguments;
    std::string unknown;
};

const CommandCase commandCases[] = {
    {{"album.txt", "--strict"}, "s", {"album.txt"}, ""},
    {{"list.txt", "--strict", "out.cue"}, "s", {"list.txt", "out.cue"}, ""},
    {{"-h"}, "h", {}, ""},
    {{"--version"}, "v", {}, ""},
    {{"--bogus", "album.txt"}, "", {"album.txt"}, "--bogus"},
    {{"--strict=yes"}, "", {}, "--strict=yes"},
    {{"--strict", "-xh"}, "s", {"-xh"}, "-x"},  // the run stops at -x
    {{"--", "--strict", "-h"}, "", {"--strict", "-h"}, ""},
    {{"-", "out.cue"}, "", {"-", "out.cue"}, ""},
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
                                  (options.version ? "v" : "");
        EXPECT_EQ(flags, testCase.flags) << testing::PrintToString(testCase.words);
        EXPECT_EQ(std::vector<std::string>(options.arguments.begin(), options.arguments.end()), testCase.arguments);
        EXPECT_EQ(options.unknown, testCase.unknown);
    }
}

}  // namespace
