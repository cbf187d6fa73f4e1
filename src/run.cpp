#include "run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <limits.h>
#include <unistd.h>

#include "burn_check.h"
#include "cd_text.h"
#include "convert.h"
#include "complain.h"
#include "cue_file.h"
#include "cue_sheet.h"
#include "disc.h"
#include "disc_listing.h"
#include "failure.h"
#include "finding.h"
#include "list_check.h"
#include "list_file.h"
#include "measure.h"
#include "options.h"
#include "paths.h"
#include "source.h"
#include "timing.h"
#include "toc_sheet.h"
#include "track_list.h"
#include "track_table.h"

namespace {

// The sheet's name when none is given.
std::string defaultOutputName(const Options& options)
{
    return options.toc ? "output.toc" : "output.cue";
}

// What the run is doing: how it ends should memory run out. Only the run sets it.
Exit runStage = Exit::noList;

// Where the report and the messages go: standard output, or standard error
// beside the warnings when the cue sheet goes to standard output; on a
// terminal, control characters in the names they hold are shown escaped, as
// ls shows them, so that no name can send the terminal commands.
struct Reporting {
    std::FILE* out;
    bool terminal;
};

void print(std::string_view text, const Reporting& reporting)
{
    const std::string shown = reporting.terminal ? visible(text) : std::string(text);
    std::fwrite(shown.data(), 1, shown.size(), reporting.out);
}

// The findings in order, in as few writes as their size allows: standard
// error is not buffered.
void printFindings(const std::string& listName, Findings findings)
{
    constexpr size_t block = 65536;
    std::string warnings;
    warnings.reserve(block);
    for (const Finding& finding : inOrder(std::move(findings))) {
        const std::string subject = finding.about == About::line ? listName + ':' + std::to_string(finding.lineNumber)
                                    : finding.about == About::disc ? listName
                                                                   : finding.subject;
        appendComplaint(warnings, subject, finding.text);
        if (warnings.size() >= block) {
            writeComplaints(warnings);
            warnings.clear();
        }
    }
    writeComplaints(warnings);
}

// A failure is reported once: its line on standard output, as the tool has
// always printed it, and its reason on standard error.
Exit report(const Failure& failure, const Reporting& reporting)
{
    print(failure.message, reporting);
    if (!failure.subject.empty())
        complain(failure.subject, failure.reason);
    return failure.status;
}

void confirm(const std::string& outputName, const Options& options, const Reporting& reporting)
{
    const std::string file = std::string(options.toc ? "TOC" : "cue") + " file called " + outputName + "\n";
    print((options.dryRun ? "\nDry run: did not write " : "\nWrote ") + file, reporting);
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

bool namesRelatively(const TrackTable& table)
{
    for (const Row& row : table.rows)
        if (row.isWav() && row.lineText[0] != '/')
            return true;
    return false;
}

// The list's lines as rows, and its own slips among the findings.
void buildTable(TrackTable& table, ListFile& list, const Options& options, Findings& findings)
{
    buildTrackTable(list.contents, table, options.convertInto.empty() ? SourceTest{} : isSourceFile);
    checkList(table, [&list](const char* name) { return lookUpPath(name, list.status); },
              {.cdText = options.cdText, .convert = !options.convertInto.empty()}, findings);
}

// Every WAV line's file measured; with --convert, its sources converted (but
// in a dry run) and measured as converted.
std::optional<Failure> measureAndConvert(TrackTable& table, const ListFile& list, const Options& options,
                                         Findings& findings)
{
    const Wanted wanted{.tags = options.cdText, .endings = !options.toc, .convertInto = options.convertInto};
    if (auto failure = measureFiles(table, list, wanted, findings))
        return failure;
    if (options.convertInto.empty() || options.dryRun)
        return std::nullopt;
    if (auto failure = convertSources(table, options.convertInto))
        return failure;
    return measureConverted(table, wanted);
}

// Help, the version, or a command line that is no run's.
std::optional<Exit> answerCommandLine(const Options& options, const Reporting& reporting)
{
    if (!options.unknown.empty())
        return report(optionFailure(options), reporting);
    if (!options.help && !options.version)
        return std::nullopt;
    std::fputs(options.help ? (std::string(usageText) + optionsText).c_str() : "Trelvask " TRELVASK_VERSION "\n",
               stdout);
    return Exit::done;
}

// The disc from the measured list, checked, with its CD-TEXT, listed.
Disc makeDisc(const TrackTable& table, const Options& options, const ListFile& list, const std::string& outputName,
              const Reporting& reporting, Findings& findings)
{
    Disc disc = buildDisc(table, options.toc ? Sheet::toc : Sheet::cue);
    checkDisc(disc, findings);
    if (options.cdText)
        chooseCdText(disc, listFolderName(list.name), findings);
    if (options.tracks)
        std::fputs(formatListing(disc, outputName, reporting.terminal).c_str(), reporting.out);
    return disc;
}

Exit runSteps(const Options& options, const std::string& outputName)
{
    const Reporting toStandardOutput{stdout, isatty(STDOUT_FILENO) != 0};
    if (const std::optional<Exit> answered = answerCommandLine(options, toStandardOutput))
        return *answered;
    // Decided before anything is printed, which would land in the old sheet.
    if (auto failure = standardOutputIsCueFile(outputName))
        return report(*failure, toStandardOutput);
    const bool cueOnStandardOutput = outputName == standardOutputName;
    const Reporting reporting = cueOnStandardOutput ? Reporting{stderr, isatty(STDERR_FILENO) != 0} : toStandardOutput;
    Findings findings;
    ListFile list;
    if (auto failure = readList(options, list, findings)) {
        printFindings(list.name, std::move(findings));
        return report(*failure, {stdout, reporting.terminal && !cueOnStandardOutput});
    }
    checkArguments(options, list, outputName, findings);
    TrackTable table;
    buildTable(table, list, options, findings);
    runStage = Exit::wavProblem;
    if (auto failure = measureAndConvert(table, list, options, findings)) {
        printFindings(list.name, std::move(findings));
        return report(*failure, reporting);
    }
    runStage = Exit::cueNotWritten;
    std::fputs(formatReport(table, totalTime(table), reporting.terminal).c_str(), reporting.out);
    const Disc disc = makeDisc(table, options, list, outputName, reporting, findings);
    const std::optional<Failure> failure =
        writeCue(outputName, options.toc ? buildTocText(disc) : buildCueText(disc),
                 {list.status, table.wavFiles, namesRelatively(table), disc.sheet}, options.dryRun, findings);
    if (!failure)
        runStage = Exit::outputFailed;
    const bool warned = warns(findings.list);
    printFindings(list.name, std::move(findings));
    if (failure)
        return report(*failure, reporting);
    confirm(outputName, options, reporting);
    return options.strict && warned ? Exit::strictWarnings : Exit::done;
}

// Standard output is checked once, at the end, after the cue sheet is
// written: a report that could not be printed must not cost the cue sheet.
// A cue sheet on standard output that failed has been reported already.
bool closeStandardOutput(Exit status, bool cueOnStandardOutput)
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
    const Options options = readOptions(argc, argv);
    const std::string outputName = options.arguments.size() == 2 ? options.arguments[1] : defaultOutputName(options);
    const Exit status = runSteps(options, outputName);
    if (closeStandardOutput(status, outputName == standardOutputName) || status == Exit::wavProblem ||
        status == Exit::cueNotWritten)
        return static_cast<int>(status);
    return static_cast<int>(Exit::outputFailed);
}
