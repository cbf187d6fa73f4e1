#include "run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "burn_check.h"
#include "complain.h"
#include "cue_file.h"
#include "cue_sheet.h"
#include "timing.h"
#include "track_list.h"
#include "track_table.h"
#include "wav_header.h"

namespace {

constexpr const char* defaultListName = "tlist.txt";
constexpr const char* defaultOutputName = "output.cue";

constexpr const char* usageText =
    "Trelvask " TRELVASK_VERSION " by Quorvanel\n"
    "Enter your .wav file names in a track called tlist.txt\n"
    "Or, use a different list filename by entering it as\n"
    "the first command line argument.\n"
    "Optionally, add the name for the output .cue file as\n"
    "the second command line argument.\n"
    "To split a file into separate tracks, start a line with S\n"
    "followed by the start time.\n"
    "To add a pregap, start a line with P followed by the length\n";

// Reads to the end rather than by the size, so that pipes work too. A NUL
// byte ends the list, so reading stops at the block holding one: a binary
// file named by mistake costs no more than its start. 0, or the errno value.
int readWhole(std::FILE* file, std::string& contents)
{
    char block[65536];
    size_t count;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0) {
        contents.append(block, count);
        if (std::memchr(block, '\0', count))
            break;
    }
    return std::ferror(file) ? errno : 0;
}

// A mistyped command line such as "trelvask list.txt song.wav" must not turn
// the user's audio or list into a cue sheet. The WAV files were identified
// when they were measured; names past the table's end are looked up here.
bool outputIsAnInput(const std::string& outputName, const struct stat& list, const TrackTable& table)
{
    struct stat output;
    if (stat(outputName.c_str(), &output) != 0)
        return false;
    const auto isOutput = [&output](uint64_t device, uint64_t inode) {
        return output.st_dev == device && output.st_ino == inode;
    };
    if (isOutput(list.st_dev, list.st_ino))
        return true;
    for (int row = 0; row < table.entryCount; ++row)
        if (table.isWav[row] && isOutput(table.fileDevice[row], table.fileInode[row]))
            return true;
    for (const char* name : table.laterWavNames) {
        struct stat wav;
        if (stat(name, &wav) == 0 && isOutput(wav.st_dev, wav.st_ino))
            return true;
    }
    return false;
}

int runSteps(int argc, char* argv[])
{
    // --strict comes first and is not counted among the arguments.
    const bool strict = argc > 1 && std::strcmp(argv[1], "--strict") == 0;
    if (strict) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(usageText, stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("Trelvask " TRELVASK_VERSION "\n", stdout);
        return 0;
    }

    // tlist.txt in the current directory wins over the first argument.
    const char* listName = defaultListName;
    std::FILE* list = std::fopen(listName, "rb");
    if (!list) {
        if (errno != ENOENT)
            complain(defaultListName, std::string(std::strerror(errno)) +
                                          (argc < 2 ? "" : "; reading " + std::string(argv[1]) + " instead"));
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
    int listError = list ? 0 : errno;
    if (list) {
        if (fstat(fileno(list), &listStatus) != 0)
            listError = errno;
        else
            listError = readWhole(list, listBuffer);
        std::fclose(list);
    }
    if (listError != 0) {
        std::printf("Cannot read track list called %s\n", listName);
        complain(listName, std::strerror(listError));
        return 1;
    }
    if (listBuffer.starts_with("RIFF")) {
        std::printf("Cannot read track list called %s\n", listName);
        complain(listName, "this is a WAV file, not a track list; name the list first, as in: trelvask LIST");
        return 1;
    }

    TrackTable table;
    buildTrackTable(listBuffer, table);
    if (table.linesDropped)
        std::printf("Warning: only the first %d lines of the track list are used\n", maxRows);

    for (int row = 0; row < table.entryCount; ++row)
        if (table.isWav[row] && !GET_ATTRIBUTES(row, table.lineText[row], table))
            return 2;
    const TotalTime total = computeTimes(table);
    std::fputs(formatReport(table, total).c_str(), stdout);

    // All warnings in one write: standard error is not buffered.
    const std::vector<Finding> findings = checkDisc(table);
    std::string warnings;
    for (const Finding& finding : findings)
        warnings += complaint(
            finding.lineNumber == 0 ? listName : std::string(listName) + ':' + std::to_string(finding.lineNumber),
            finding.text);
    std::fputs(warnings.c_str(), stderr);

    if (outputIsAnInput(outputName, listStatus, table)) {
        std::printf("Cannot write cue file called %s: it is one of the input files\n", outputName.c_str());
        complain(outputName, "this is the track list or one of its WAV files; name another cue file");
        return 3;
    }
    if (const int error = writeCueFile(outputName, buildCueText(table))) {
        std::printf("Cannot write cue file called %s\n", outputName.c_str());
        complain(outputName, std::strerror(error));
        return 3;
    }
    std::printf("\nWrote cue file called %s\n", outputName.c_str());
    return strict && !findings.empty() ? 4 : 0;
}

// Standard output is checked once, at the end, after the cue sheet is
// written: a report that could not be printed must not cost the cue sheet.
bool closeStandardOutput()
{
    int error = 0;
    if (std::fflush(stdout) != 0)
        error = errno;
    else if (std::ferror(stdout))
        error = EIO;
    if (std::fclose(stdout) != 0 && error == 0)
        error = errno;
    if (error != 0)
        complain("standard output", std::string("the report could not be written: ") + std::strerror(error));
    return error == 0;
}

}  // namespace

int run(int argc, char* argv[])
{
    // A closed pipe on standard output or a file size limit ends a run by
    // default; each failed write is reported instead.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const int status = runSteps(argc, argv);
    if (closeStandardOutput())
        return status;
    return status == 2 || status == 3 ? status : 5;
}
