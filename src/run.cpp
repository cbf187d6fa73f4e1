#include "run.h"

#include <cstdio>
#include <cstring>
#include <string>

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
    const bool listRead = list && readWhole(list, listBuffer);
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
    const float totalSeconds = computeTimes(table);
    std::fputs(formatReport(table, totalSeconds).c_str(), stdout);

    if (!writeCueFile(outputName, buildCueText(table))) {
        std::printf("Cannot write cue file called %s\n", outputName.c_str());
        return 3;
    }
    std::printf("\nWrote cue file called %s\n", outputName.c_str());
    return 0;
}
