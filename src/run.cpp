#include "run.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "burn_check.h"
#include "cd_text.h"
#include "complain.h"
#include "cue_file.h"
#include "cue_sheet.h"
#include "disc_listing.h"
#include "failure.h"
#include "list_check.h"
#include "list_file.h"
#include "options.h"
#include "timing.h"
#include "track_list.h"
#include "track_table.h"
#include "wav_header.h"
#include "text_encoding.h"
#include "wav_problem.h"

namespace {

constexpr const char* defaultOutputName = "output.cue";
// What the run is doing: how it ends should memory run out.
Exit runStage = Exit::noList;
// Whether the cue sheet goes to standard output, and the report to standard error.
bool cueOnStandardOutput = false;
// The cue file name that puts the cue sheet on standard output.
constexpr const char* standardOutputName = "-";

// The slips of the command line that still leave a cue sheet to write; true
// when there was one.
bool warnAboutArguments(const Options& options, const ListFile& list, const std::string& outputName)
{
    bool warned = false;
    if (list.passedOver) {
        complain(defaultListName, std::string("this list was read, not ") + list.passedOver +
                                      ", since a tlist.txt in the current folder always comes first; rename or "
                                      "remove tlist.txt to use " + list.passedOver);
        warned = true;
    }
    if (options.arguments.size() > 2) {
        std::string ignored;
        for (size_t at = 1; at < options.arguments.size(); ++at)
            ignored += std::string(at > 1 ? " " : "") + options.arguments[at];
        complain("command line", "ignored " + ignored + ": a cue file is named only by a second and last argument, "
                                 "so the cue sheet goes to " + outputName);
        warned = true;
    }
    return warned;
}

// The folder of a list named with one, as "../album" for ../album/list.txt;
// empty for a list in the current folder.
std::string folderOf(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? "" : slash == 0 ? "/" : name.substr(0, slash);
}

// Every WAV line that cannot be used is named among the findings, so that
// one run finds them all; the run then stops at the first, as a WAV problem
// always has.
std::optional<Failure> measureFiles(TrackTable& table, const ListFile& list, bool cdText,
                                    std::vector<Finding>& findings)
{
    const std::string listFolder = folderOf(list.name);
    std::optional<Failure> first;
    bool encodingNamed = false;
    Findings problems;
    if (cdText)
        table.tags.resize(table.wavFiles.size());
    for (const Row& row : wavRows(table)) {
        // How the audio ends matters only where another file follows.
        const bool last = row.wavIndex + 1 == static_cast<int>(table.wavFiles.size());
        auto failure = GET_ATTRIBUTES(row.lineText, table.wavFiles[static_cast<size_t>(row.wavIndex)],
                                      {.ending = !last, .tags = cdText ? &table.tags[static_cast<size_t>(row.wavIndex)] : nullptr});
        if (!failure)
            continue;
        // Only for a file that is missing: one that opens costs no more calls.
        const bool missing = failure->error == ENOENT;
        const bool besideList = missing && !listFolder.empty() && row.lineText[0] != '/' &&
                                access((listFolder + '/' + row.lineText).c_str(), F_OK) == 0;
        // A list in another encoding shows in names that are no UTF-8: once is enough.
        std::string asWindows1252;
        if (missing && !encodingNamed && !isUtf8(row.lineText)) {
            asWindows1252 = windows1252ToUtf8(row.lineText);
            encodingNamed = access(asWindows1252.c_str(), F_OK) == 0;
            if (!encodingNamed)
                asWindows1252.clear();
        }
        // A name cut short by a NUL byte is named with the byte instead.
        const bool firstLine = &row == &table.rows.front() && row.lineNumber != table.nulLine;
        add(problems, row.lineNumber,
            wavProblemText(row.lineText, *failure,
                           {firstLine, besideList ? listFolder : "", asWindows1252, toUtf8Command(list, "WINDOWS-1252")}));
        if (!first) {
            first = std::move(failure);
            first->subject.clear();
        }
    }
    endRule(problems);
    findings.insert(findings.end(), std::make_move_iterator(problems.list.begin()),
                    std::make_move_iterator(problems.list.end()));
    return first;
}

// A line of the list that may name a file left off the disc.
PathKind lookUpPath(const char* name)
{
    struct stat status;
    if (stat(name, &status) != 0)
        return PathKind::none;
    return S_ISDIR(status.st_mode) ? PathKind::folder : PathKind::file;
}

// The warnings in the order of the list, in as few writes as their size
// allows: standard error is not buffered.
void printFindings(const std::string& listName, std::vector<Finding>& findings)
{
    sortByLine(findings);
    constexpr size_t block = 65536;
    std::string warnings;
    warnings.reserve(block);
    std::string subject;
    for (const Finding& finding : findings) {
        subject = listName;
        if (finding.lineNumber != 0)
            subject += ':' + std::to_string(finding.lineNumber);
        appendComplaint(warnings, subject, finding.text);
        if (warnings.size() >= block) {
            writeComplaints(warnings);
            warnings.clear();
        }
    }
    writeComplaints(warnings);
}

// A mistyped command line such as "trelvask list.txt song.wav" must not turn
// the user's audio or list into a cue sheet. The WAV files were identified
// when they were measured.
bool outputIsAnInput(const std::string& outputName, const struct stat& list, const TrackTable& table)
{
    struct stat output;
    const auto isOutput = [&output](uint64_t device, uint64_t inode) {
        return output.st_dev == device && output.st_ino == inode;
    };
    return stat(outputName.c_str(), &output) == 0 &&
           (isOutput(list.st_dev, list.st_ino) || std::ranges::any_of(table.wavFiles, [&](const WavFile& file) {
                return isOutput(file.device, file.inode);
            }));
}

// cdrdao opens the FILE names from the folder it runs in, players from the
// cue sheet's folder: relative names written elsewhere serve one of them only.
bool warnAboutCueFolder(const std::string& outputName, const TrackTable& table)
{
    const std::string folder = folderOf(outputName);
    bool relative = false;
    for (const Row& row : wavRows(table))
        relative = relative || row.lineText[0] != '/';
    struct stat here;
    if (folder.empty() || !relative || stat(".", &here) != 0 || isFile(folder.c_str(), here))
        return false;
    complain(outputName, "this cue sheet is not in the current folder, but its FILE names are relative: cdrdao "
                         "looks them up from the folder it runs in, players from the cue sheet's folder; write the "
                         "cue sheet here, or list the files with absolute names");
    return true;
}

// The name of the folder the list is in: a disc's title when its files name
// no album.
std::string listFolderName(const std::string& listName)
{
    const std::string folder = folderOf(listName);
    char path[PATH_MAX];
    if (!realpath(folder.empty() ? "." : folder.c_str(), path))
        return "";
    const std::string_view resolved = path;
    return std::string(resolved.substr(resolved.rfind('/') + 1));
}

// warned is set when the cue sheet's place deserves a warning.
std::optional<Failure> writeCue(const std::string& outputName, const std::string& cue, const ListFile& list,
                                const TrackTable& table, bool dryRun, bool& warned)
{
    const std::string cannot = "Cannot write cue file called " + outputName;
    if (outputName.empty())
        return Failure{Exit::cueNotWritten, cannot + "\n", "command line",
                       "the cue file's name is empty; name a cue file, or name the list alone to write output.cue"};
    if (outputName == standardOutputName) {
        if (dryRun)
            return std::nullopt;
        if (std::fwrite(cue.data(), 1, cue.size(), stdout) != cue.size() || std::fflush(stdout) != 0)
            return Failure{Exit::cueNotWritten, cannot + "\n", "standard output", std::strerror(errno)};
        return std::nullopt;
    }
    if (outputIsAnInput(outputName, list.status, table))
        return Failure{Exit::cueNotWritten, cannot + ": it is one of the input files\n", outputName,
                       "this is the track list or one of its WAV files; name another cue file"};
    // The report first, should the cue file be the terminal or the pipe it goes to.
    std::fflush(stdout);
    const CueOutcome outcome = writeCueFile(outputName, cue, dryRun);
    if (!written(outcome))
        return Failure{Exit::cueNotWritten, cannot + "\n", outputName, cueFailureReason(outcome, outputName)};
    runStage = Exit::outputFailed;
    if (outcome.otherLinks > 0)
        complain(outputName, "this file had other hard links; they keep the old cue sheet, and this name has the new one");
    if (outcome.ownerLost)
        complain(outputName, "the new cue sheet could not keep the old file's owner and group; it belongs to you now");
    if (!outcome.inPlace)
        warned = warnAboutCueFolder(outputName, table) || warned;
    return std::nullopt;
}

// A message for standard output; on a terminal, control characters in the
// names it holds are shown escaped, as ls shows them, so that no name can
// send the terminal commands.
void print(std::string_view line, std::FILE* out, bool terminal)
{
    const std::string shown = terminal ? visible(line) : std::string(line);
    std::fwrite(shown.data(), 1, shown.size(), out);
}

Exit report(const Failure& failure, std::FILE* out, bool terminal)
{
    print(failure.message, out, terminal);
    if (!failure.subject.empty())
        complain(failure.subject, failure.reason);
    return failure.status;
}

Exit runSteps(int argc, char* argv[])
{
    const Options options = readOptions(argc, argv);
    if (!options.unknown.empty()) {
        const std::string hint = unknownOptionHint(options.unknown);
        complain("unknown option " + options.unknown,
                 (hint.empty() ? "" : hint + "; ") + "usage: trelvask [OPTION]... [LIST [CUE]]; trelvask --help tells "
                                                     "more");
        return Exit::noList;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? (std::string(usageText) + optionsText).c_str() : "Trelvask " TRELVASK_VERSION "\n",
                   stdout);
        return Exit::done;
    }
    const std::string outputName = options.arguments.size() == 2 ? options.arguments[1] : defaultOutputName;
    // Decided before anything is printed, which would land in the old sheet.
    if (outputName != standardOutputName && cueIsStandardOutputFile(outputName)) {
        complain(outputName, "standard output goes to this file too, so the report and the cue sheet would mix; it "
                             "is left as it is; give - as the cue file to have the cue sheet alone on standard "
                             "output");
        return Exit::cueNotWritten;
    }
    // With the cue sheet on standard output, the report goes beside the warnings.
    cueOnStandardOutput = outputName == standardOutputName;
    std::FILE* const out = cueOnStandardOutput ? stderr : stdout;
    const bool terminal = isatty(fileno(out));
    ListFile list;
    if (auto failure = readList(options, list))
        return report(*failure, stdout, terminal && !cueOnStandardOutput);
    bool warned = warnAboutArguments(options, list, outputName);

    TrackTable table;
    buildTrackTable(list.contents, table);
    std::vector<Finding> findings = checkList(table, lookUpPath, options.cdText);
    runStage = Exit::wavProblem;
    if (auto failure = measureFiles(table, list, options.cdText, findings)) {
        printFindings(list.name, findings);
        return report(*failure, out, terminal);
    }
    runStage = Exit::cueNotWritten;
    std::fputs(formatReport(table, totalTime(table), terminal).c_str(), out);

    std::vector<Finding> discFindings = checkDisc(table);
    findings.insert(findings.end(), std::make_move_iterator(discFindings.begin()),
                    std::make_move_iterator(discFindings.end()));
    std::optional<CdText> cdText;
    if (options.cdText)
        cdText = chooseCdText(table, listFolderName(list.name), findings);
    if (options.tracks)
        std::fputs(formatListing(table, cdText ? &*cdText : nullptr, outputName, terminal).c_str(), out);
    printFindings(list.name, findings);
    warned = warned || !findings.empty();
    const std::string cue = buildCueText(table, cdText ? &*cdText : nullptr);
    if (auto failure = writeCue(outputName, cue, list, table, options.dryRun, warned))
        return report(*failure, out, terminal);
    print((options.dryRun ? "\nDry run: did not write cue file called " : "\nWrote cue file called ") + outputName +
              "\n",
          out, terminal);
    return options.strict && warned ? Exit::strictWarnings : Exit::done;
}

// Standard output is checked once, at the end, after the cue sheet is
// written: a report that could not be printed must not cost the cue sheet.
// A cue sheet on standard output that failed has been reported already.
bool closeStandardOutput(Exit status)
{
    int error = 0;
    if (std::fflush(stdout) != 0)
        error = errno;
    else if (std::ferror(stdout))
        error = EIO;
    if (std::fclose(stdout) != 0 && error == 0)
        error = errno;
    if (error != 0 && !(cueOnStandardOutput && status == Exit::cueNotWritten))
        complain("standard output", std::string(cueOnStandardOutput ? "the cue sheet" : "the report") +
                                        " could not be written: " + std::strerror(error));
    return error == 0;
}

// Running out of memory ends the run on the spot, with one line that needs
// no memory, and the status of what the run was doing.
[[noreturn]] void outOfMemory()
{
    static constexpr std::string_view lines[] = {
        "",
        "trelvask: out of memory: reading the track list needs more memory than this run may have; nothing was "
        "written\n",
        "trelvask: out of memory: measuring the WAV files needs more memory than this run may have; the cue file "
        "was left as it was\n",
        "trelvask: out of memory: checking and writing the cue sheet needs more memory than this run may have; the "
        "cue file was left as it was\n",
        "",
        "trelvask: out of memory: the cue sheet was written, but the run could not say so\n",
    };
    const std::string_view line = lines[static_cast<int>(runStage)];
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    _exit(static_cast<int>(runStage));
}

}  // namespace

int run(int argc, char* argv[])
{
    // A closed pipe on standard output or a file size limit ends a run by
    // default; each failed write is reported instead.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::set_new_handler(outOfMemory);
    const Exit status = runSteps(argc, argv);
    if (closeStandardOutput(status) || status == Exit::wavProblem || status == Exit::cueNotWritten)
        return static_cast<int>(status);
    return static_cast<int>(Exit::outputFailed);
}
