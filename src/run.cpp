#include "run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "burn_check.h"
#include "complain.h"
#include "cue_file.h"
#include "cue_sheet.h"
#include "failure.h"
#include "timing.h"
#include "track_list.h"
#include "track_table.h"
#include "wav_header.h"

namespace {

constexpr const char* defaultListName = "tlist.txt";
constexpr const char* defaultOutputName = "output.cue";
// The cue file name that puts the cue sheet on standard output.
constexpr const char* standardOutputName = "-";

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

struct Options {
    bool strict = false;
    bool help = false;
    bool version = false;
    std::vector<const char*> arguments;  // the list and the cue file, as given
};

// --strict comes first and is not counted among the arguments; -h, --help
// or --version first stands alone.
Options readOptions(int argc, char* argv[])
{
    Options options;
    std::vector<const char*> words(argv + 1, argv + argc);
    if (!words.empty() && std::strcmp(words.front(), "--strict") == 0) {
        options.strict = true;
        words.erase(words.begin());
    }
    if (!words.empty()) {
        options.help = std::strcmp(words.front(), "-h") == 0 || std::strcmp(words.front(), "--help") == 0;
        options.version = std::strcmp(words.front(), "--version") == 0;
    }
    options.arguments = words;
    return options;
}

struct ListFile {
    std::string name;
    std::string contents;
    struct stat status;
};

// tlist.txt in the current directory wins over the first argument.
std::optional<Failure> readList(const Options& options, ListFile& list)
{
    list.name = defaultListName;
    std::FILE* file = std::fopen(defaultListName, "rb");
    if (!file) {
        const int openError = errno;
        if (options.arguments.empty()) {
            if (openError != ENOENT)
                complain(defaultListName, std::strerror(openError));
            return Failure{Exit::noList, usageText, "", ""};
        }
        list.name = options.arguments[0];
        if (openError != ENOENT)
            complain(defaultListName, std::strerror(openError) + ("; reading " + list.name + " instead"));
        file = std::fopen(list.name.c_str(), "rb");
    }
    int error = file ? 0 : errno;
    if (file) {
        error = fstat(fileno(file), &list.status) != 0 ? errno : readWhole(file, list.contents);
        std::fclose(file);
    }
    const std::string message = "Cannot read track list called " + list.name + "\n";
    if (error != 0)
        return Failure{Exit::noList, message, list.name, std::strerror(error)};
    if (list.contents.starts_with("RIFF"))
        return Failure{Exit::noList, message, list.name,
                       "this is a WAV file, not a track list; name the list first, as in: trelvask LIST"};
    return std::nullopt;
}

// A WAV problem stops the run at the first failing file.
std::optional<Failure> measureFiles(TrackTable& table)
{
    for (const Row& row : wavRows(table))
        if (auto failure = GET_ATTRIBUTES(row.lineText, table.wavFiles[static_cast<size_t>(row.wavIndex)]))
            return failure;
    return std::nullopt;
}

// All warnings in one write: standard error is not buffered.
void printFindings(const std::string& listName, const std::vector<Finding>& findings)
{
    std::string warnings;
    for (const Finding& finding : findings)
        warnings += complaint(finding.lineNumber == 0 ? listName : listName + ':' + std::to_string(finding.lineNumber),
                              finding.text);
    std::fputs(warnings.c_str(), stderr);
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
    for (const WavFile& file : table.wavFiles)
        if (isOutput(file.device, file.inode))
            return true;
    for (const char* name : table.laterWavNames) {
        struct stat wav;
        if (stat(name, &wav) == 0 && isOutput(wav.st_dev, wav.st_ino))
            return true;
    }
    return false;
}

std::optional<Failure> writeCue(const std::string& outputName, const ListFile& list, const TrackTable& table)
{
    const std::string cannot = "Cannot write cue file called " + outputName;
    if (outputName == standardOutputName) {
        const std::string cue = buildCueText(table);
        if (std::fwrite(cue.data(), 1, cue.size(), stdout) != cue.size() || std::fflush(stdout) != 0)
            return Failure{Exit::cueNotWritten, cannot + "\n", "standard output", std::strerror(errno)};
        return std::nullopt;
    }
    if (outputIsAnInput(outputName, list.status, table))
        return Failure{Exit::cueNotWritten, cannot + ": it is one of the input files\n", outputName,
                       "this is the track list or one of its WAV files; name another cue file"};
    if (cueIsStandardOutputFile(outputName))
        return Failure{Exit::cueNotWritten, cannot + "\n", outputName,
                       "standard output goes to this file too, so the report and the cue sheet would mix; give - as "
                       "the cue file to have the cue sheet alone on standard output"};
    // The report first, should the cue file be the terminal or the pipe it goes to.
    std::fflush(stdout);
    CueNotes notes;
    if (const int error = writeCueFile(outputName, buildCueText(table), notes))
        return Failure{Exit::cueNotWritten, cannot + "\n", outputName,
                       error == ENXIO ? "nothing reads from this FIFO or device; start its reader first"
                                      : std::strerror(error)};
    if (notes.otherLinks > 0)
        complain(outputName, "this file had other hard links; they keep the old cue sheet, and this name has the new one");
    if (notes.ownerLost)
        complain(outputName, "the new cue sheet could not keep the old file's owner and group; it belongs to you now");
    return std::nullopt;
}

Exit report(const Failure& failure, std::FILE* out)
{
    std::fwrite(failure.message.data(), 1, failure.message.size(), out);
    if (!failure.subject.empty())
        complain(failure.subject, failure.reason);
    return failure.status;
}

// stage is how the run ends should memory run out: what it was doing.
Exit runSteps(int argc, char* argv[], Exit& stage)
{
    const Options options = readOptions(argc, argv);
    if (options.help || options.version) {
        std::fputs(options.help ? usageText : "Trelvask " TRELVASK_VERSION "\n", stdout);
        return Exit::done;
    }
    ListFile list;
    if (auto failure = readList(options, list))
        return report(*failure, stdout);
    const std::string outputName = options.arguments.size() == 2 ? options.arguments[1] : defaultOutputName;
    // With the cue sheet on standard output, the report goes beside the warnings.
    std::FILE* const out = outputName == standardOutputName ? stderr : stdout;

    TrackTable table;
    buildTrackTable(list.contents, table);
    if (table.linesDropped)
        std::fprintf(out, "Warning: only the first %d lines of the track list are used\n", maxRows);
    stage = Exit::wavProblem;
    if (auto failure = measureFiles(table))
        return report(*failure, out);
    std::fputs(formatReport(table, totalTime(table)).c_str(), out);

    const std::vector<Finding> findings = checkDisc(table);
    printFindings(list.name, findings);
    stage = Exit::cueNotWritten;
    if (auto failure = writeCue(outputName, list, table))
        return report(*failure, out);
    std::fputs(("\nWrote cue file called " + outputName + "\n").c_str(), out);
    return options.strict && !findings.empty() ? Exit::strictWarnings : Exit::done;
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
    Exit stage = Exit::noList;
    Exit status;
    try {
        status = runSteps(argc, argv, stage);
    } catch (const std::bad_alloc&) {
        // Nothing is written while memory may run out: the cue file is as it was.
        complain("out of memory", "the track list or its files need more memory than this run may have; the cue "
                                  "file was left as it was");
        status = stage;
    }
    if (closeStandardOutput() || status == Exit::wavProblem || status == Exit::cueNotWritten)
        return static_cast<int>(status);
    return static_cast<int>(Exit::outputFailed);
}
