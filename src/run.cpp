#include "run.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "cue_sheet.h"
#include "timing.h"
#include "track_list.h"
#include "track_table.h"
#include "wav_header.h"

namespace {

constexpr const char* defaultListName = "tlist.txt";
constexpr const char* defaultOutputName = "output.cue";

constexpr const char* usageText =
    "Trelvask 1.0 by Quorvanel\n"
    "Enter your .wav file names in a track called tlist.txt\n"
    "Or, use a different list filename by entering it as\n"
    "the first command line argument.\n"
    "Optionally, add the name for the output .cue file as\n"
    "the second command line argument.\n"
    "To split a file into separate tracks, start a line with S\n"
    "followed by the start time.\n"
    "To add a pregap, start a line with P followed by the length\n";

// Reads to the end rather than by the size, so that pipes work too.
bool readWhole(std::FILE* file, std::string& contents)
{
    char chunk[65536];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        contents.append(chunk, count);
    return !std::ferror(file);
}

bool isSameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A mistyped command line such as "trelvask list.txt song.wav" must not turn
// the user's audio or list into a cue sheet.
bool outputIsAnInput(const std::string& outputName, const struct stat& list, const TrackTable& table)
{
    struct stat output;
    if (stat(outputName.c_str(), &output) != 0)
        return false;
    if (isSameFile(output, list))
        return true;
    for (int row = 0; row < table.entryCount; ++row) {
        struct stat wav;
        if (table.isWav[row] && stat(table.lineText[row], &wav) == 0 && isSameFile(output, wav))
            return true;
    }
    return false;
}

}  // namespace

int run(int argc, char* argv[])
{
    if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(usageText, stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("Trelvask 1.0\n", stdout);
        return 0;
    }

    // tlist.txt in the current directory wins over the first argument.
    const char* listName = defaultListName;
    std::FILE* list = std::fopen(listName, "rb");
    if (!list) {
        if (argc < 2) {
            std::fputs(usageText, stdout);
            return 1;
        }
        listName = argv[1];
        list = std::fopen(listName, "rb");
    }
    const std::string outputName = argc == 3 ? argv[2] : defaultOutputName;

    std::string listBuffer;
    struct stat listStatus;
    const bool listRead = list && fstat(fileno(list), &listStatus) == 0 && readWhole(list, listBuffer);
    if (list)
        std::fclose(list);
    if (!listRead) {
        std::printf("Cannot read track list called %s\n", listName);
        return 1;
    }

    TrackTable table;
    buildTrackTable(listBuffer, table);
    if (table.linesDropped)
        std::printf("Warning: only the first %d lines of the track list are used\n", maxRows);

    for (int row = 0; row < table.entryCount; ++row)
        if (table.isWav[row] &&
            !GET_ATTRIBUTES(row, table.lineText[row], table.sampleRate.data(), table.sampleFrames.data()))
            return 2;
    const TotalTime total = computeTimes(table);
    std::fputs(formatReport(table, total).c_str(), stdout);

    if (outputIsAnInput(outputName, listStatus, table)) {
        std::printf("Cannot write cue file called %s: it is one of the input files\n", outputName.c_str());
        return 3;
    }
    if (!writeCueFile(outputName, buildCueText(table))) {
        std::printf("Cannot write cue file called %s\n", outputName.c_str());
        return 3;
    }
    std::printf("\nWrote cue file called %s\n", outputName.c_str());
    return 0;
}
