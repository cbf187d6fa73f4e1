#include "list_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string text;  // as the list is read: decoded, or the bytes unchanged
    bool utf16WithoutMark = false;  // refused with the encoding named, undecoded
};

const DecodeCase decodeCases[] = {
    {"LittleEndian", std::string("\xFF\xFE" "a\0.\0w\0a\0v\0\r\0\n\0", 16), "a.wav\r\n"},
    {"BigEndian", std::string("\xFE\xFF\0S\0 \0" "1", 8), "S 1"},
    {"TwoAndThreeBytes", std::string("\xFF\xFE\xE9\0\xAC\x20", 6), "\xC3\xA9\xE2\x82\xAC"},  // U+00E9 U+20AC
    {"SurrogatePair", std::string("\xFF\xFE\x3C\xD8\xB5\xDF", 6), "\xF0\x9F\x8E\xB5"},  // U+1F3B5
    {"OddLength", std::string("\xFF\xFE" "a\0b", 5), std::string("\xFF\xFE" "a\0b", 5)},
    {"LoneLowSurrogate", std::string("\xFF\xFE\x00\xDC", 4), std::string("\xFF\xFE\x00\xDC", 4)},
    {"HighSurrogateThenLetter", std::string("\xFF\xFE\x3C\xD8" "a\0", 6), std::string("\xFF\xFE\x3C\xD8" "a\0", 6)},
    {"Latin1Unchanged", "\xE9t\xE9.wav", "\xE9t\xE9.wav"},
    {"NoMarkLittleEndian", std::string("a\0.\0w\0a\0v\0\r\0\n\0", 14), std::string("a\0.\0w\0a\0v\0\r\0\n\0", 14), true},
    {"NoMarkBigEndian", std::string("\0a\0.\0w\0a\0v", 10), std::string("\0a\0.\0w\0a\0v", 10), true},
    {"NulsHereAndThere", std::string("a.wav\0\0b.wav\0", 14), std::string("a.wav\0\0b.wav\0", 14)},
    {"NulAfterText", std::string("a.wav\n\0", 7), std::string("a.wav\n\0", 7)},
};

TEST(ListFile, DecodesUtf16WithItsMark)
{
    for (const DecodeCase& testCase : decodeCases) {
        std::string contents = testCase.bytes;
        const bool decoded = decodeUtf16List(contents);
        EXPECT_EQ(decoded, contents != testCase.bytes) << testCase.name;
        EXPECT_EQ(contents, testCase.text) << testCase.name;
        EXPECT_EQ(looksLikeUtf16WithoutMark(contents), testCase.utf16WithoutMark) << testCase.name;
    }
}

}  // namespace
