#include "cue_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An old file is replaced only when it may be a cue sheet, and never by an
// empty one: what the old file holds, the new sheet, and whether it is kept.
TEST(CueFile, KeepsWhatIsNoCueSheet)
{
    const std::string sheet = "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    const struct {
        const char* name;
        const char* old;  // nullptr: no file there
        size_t oldSize;
        std::string text;
        CueRefusal refusal;
    } cases[] = {
        {"Wav", "RIFF\x24\0\0\0WAVEfmt ", 16, sheet, CueRefusal::notACueSheet},
        {"Flac", "fLaC\0\0\0\x22", 8, sheet, CueRefusal::notACueSheet},
        {"Mp3", "\xFF\xFB\x90\x64", 4, sheet, CueRefusal::notACueSheet},
        {"Jpeg", "\xFF\xD8\xFF\xE0", 4, sheet, CueRefusal::notACueSheet},
        {"Png", "\x89PNG\r\n\x1A\n", 8, sheet, CueRefusal::notACueSheet},
        {"Binary", "text\0more", 9, sheet, CueRefusal::notACueSheet},
        {"EmptyOverOldSheet", "FILE \"b.wav\" WAVE\n", 18, "", CueRefusal::emptyOverOldFile},
        {"EmptyOverNothing", nullptr, 0, "", CueRefusal::none},
        {"EmptyOverEmpty", "", 0, "", CueRefusal::none},
        {"Text", "my notes\n", 9, sheet, CueRefusal::none},
        {"OldSheet", "FILE \"b.wav\" WAVE\n", 18, sheet, CueRefusal::none},
        {"SameSheet", sheet.c_str(), sheet.size(), sheet, CueRefusal::none},
    };
    const std::string path = testing::TempDir() + "trelvask_guard.cue";
    for (const auto& testCase : cases) {
        std::remove(path.c_str());
        if (testCase.old)
            std::ofstream(path, std::ios::binary).write(testCase.old, static_cast<std::streamsize>(testCase.oldSize));
        const CueOutcome outcome = writeCueFile(path, testCase.text);
        EXPECT_EQ(outcome.refusal, testCase.refusal) << testCase.name;
        EXPECT_TRUE(written(outcome) || cueFailureReason(outcome, path).find("left as it is") != std::string::npos)
            << testCase.name;
        EXPECT_EQ(outcome.error, 0) << testCase.name;
        const std::string old = testCase.old ? std::string(testCase.old, testCase.oldSize) : "";
        EXPECT_EQ(contents(path), written(outcome) ? testCase.text : old) << testCase.name;
    }
    std::remove(path.c_str());
}

// What standard error says when the cue file is not written: the cause in
// the user's terms, where the system's error would blame the cue file.
TEST(CueFile, SaysWhyItIsNotWritten)
{
    const struct {
        CueOutcome outcome;
        const char* reason;  // how it starts
    } cases[] = {
        {{.error = EACCES, .step = CueStep::create}, "the folder music does not let this run create a file "
                                                      "(Permission denied), which replacing the cue sheet whole needs"},
        {{.error = EPERM, .step = CueStep::replace, .stickyFolder = true}, "the folder music is sticky, as /tmp is"},
        {{.error = EBUSY, .step = CueStep::replace}, "this file is a mount point"},
        {{.error = ENXIO, .step = CueStep::write, .inPlace = true}, "nothing reads from this FIFO"},
        {{.error = ENOSPC, .step = CueStep::write}, "No space left on device"},
        {{.error = EPERM, .step = CueStep::replace}, "Operation not permitted"},
    };
    for (const auto& testCase : cases) {
        const std::string reason = cueFailureReason(testCase.outcome, "music/album.cue");
        EXPECT_TRUE(reason.starts_with(testCase.reason)) << reason;
    }
}

}  // namespace
