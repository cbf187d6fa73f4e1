#include "complain.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A name as standard error shows it, and whether the burn check calls it a
// control character.
struct VisibleCase {
    std::string text;
    std::string shown;
    bool control;
};

const VisibleCase visibleCases[] = {
    {"song.wav", "song.wav", false},
    {"Chanson d'\xC3\xA9t\xC3\xA9.wav", "Chanson d'\xC3\xA9t\xC3\xA9.wav", false},
    // Cyrillic and Latin Extended letters end in bytes 0x80 to 0x9F.
    {"\xD0\x90\xD0\x91.wav \xC4\x80", "\xD0\x90\xD0\x91.wav \xC4\x80", false},
    {"\xF0\x9F\x8E\xB5.wav", "\xF0\x9F\x8E\xB5.wav", false},
    {"a\tb\x1B[2Jc\x7F", "a\\011b\\033[2Jc\\177", true},
    {"raw \x9B" "31m", "raw \\23331m", true},           // a C1 control in no UTF-8
    {"utf8 \xC2\x9B" "31m", "utf8 \\302\\23331m", true},  // U+009B
    {"\xC2\xA0no-break", "\xC2\xA0no-break", false},      // U+00A0 is text
    {"cut \xC3", "cut \xC3", false},                       // broken UTF-8, but no control
    // Past the first eight bytes, which are looked at together.
    {"/home/me/album/track01.wav", "/home/me/album/track01.wav", false},
    {"/home/me\x1B/x", "/home/me\\033/x", true},
    {"/home/m\x7F/x", "/home/m\\177/x", true},
    {"12345678 ~ \x01", "12345678 ~ \\001", true},
    {"/home/me/\xC3\xA9t\xC3\xA9 \x9B", "/home/me/\xC3\xA9t\xC3\xA9 \\233", true},
};

TEST(Complain, EscapesControlCharactersOnly)
{
    for (const VisibleCase& testCase : visibleCases) {
        EXPECT_EQ(complaint(testCase.text, "x"), "trelvask: " + testCase.shown + ": x\n") << testCase.shown;
        EXPECT_EQ(holdsControlCharacter(testCase.text), testCase.control) << testCase.shown;
    }
}

}  // namespace
