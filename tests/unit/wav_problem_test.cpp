#include "wav_problem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

struct ProblemCase {
    const char* name;
    int error;
    bool firstLine;
    const char* besideList;
    std::string text;
    const char* asWindows1252 = "";  // what standard error says after the list line
};

const ProblemCase problemCases[] = {
    {"Song.wav ", ENOENT, false, "", "\"Song.wav \": reason; the name ends with a blank"},
    {"\tSong.wav", ENOENT, true, "", "\"\tSong.wav\": reason; the name starts with a blank"},
    {"01.wav", ENOENT, false, "../album", "01.wav: reason; there is one beside the list, but names are looked up "
                                          "from the current folder; run trelvask from the list's folder (cd ../album)"},
    {"# My album", ENOENT, true, "", "# My album: reason; the first line of a list always names a WAV file"},
    {"# My album", ENOENT, false, "", "# My album: reason"},
    {"# My album", EACCES, true, "", "# My album: reason"},
    {"Song.wav ", 0, false, "", "\"Song.wav \": reason"},
    {"# b.wav was the old take", ENOENT, false, "", "# b.wav was the old take: reason; a line holding .wav always "
                                                   "names a WAV file, even a note; take .wav out of the note"},
    {"Music\\a.wav", ENOENT, false, "", "Music\\a.wav: reason; Linux separates folders with /, not \\: write "
                                        "Music/a.wav"},
    {"C:\\Music\\a.wav", ENOENT, true, "", "C:\\Music\\a.wav: reason; this is a Windows path, but Linux has no "
                                            "drive letters and separates folders with /: write where the file is on "
                                            "this machine, as in: Music/a.wav"},
    {"Mot\xF6rhead.wav", ENOENT, false, "", "Mot\xF6rhead.wav: reason; the list is not UTF-8 text: it was saved as "
     "Latin-1 or Windows-1252, perhaps, as older Windows editors do, and read so this line names "
     "Mot\xC3\xB6rhead.wav, which is here; save the list as UTF-8, or convert it, as in: iconv", "Mot\xC3\xB6rhead.wav"},
};

TEST(WavProblem, PointsOutTheSlip)
{
    for (const ProblemCase& testCase : problemCases) {
        const Failure failure{Exit::wavProblem, "", testCase.name, "reason", testCase.error};
        const std::string text =
            wavProblemText(testCase.name, failure,
                           {testCase.firstLine, testCase.besideList, testCase.asWindows1252, "iconv"});
        if (testCase.text.ends_with(": reason"))
            EXPECT_EQ(text, testCase.text);
        else
            EXPECT_TRUE(text.starts_with(testCase.text)) << text;
    }
}

}  // namespace
