#include "cue_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <iterator>

#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_kind.h"
#include "new_file.h"
#include "text_encoding.h"
#include "track_list.h"
#include "paths.h"

namespace {

// Writes and closes fd; 0 or the first error.
int writeAndClose(int fd, std::string_view text)
{
    int error = writeAll(fd, text);
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// A device or a FIFO has no old content to keep. A FIFO is opened without
// blocking, so that one with no reader fails at once instead of hanging; a
// dry run only opens it, which tells as much.
int writeInPlace(const std::string& name, std::string_view text, bool dryRun)
{
    const int fd = open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (dryRun)
        return close(fd) == 0 ? 0 : errno;
    if (fcntl(fd, F_SETFL, 0) != 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    return writeAndClose(fd, text);
}

// A new file in folder, holding text, with the old file's mode, owner and
// group where this run may set them: unnamed where the filesystem allows and
// unnamed is set, so that nothing is left of it should the run be killed;
// else the cue file's temporary name. -1 with errno set when it fails.
int createWith(int folder, const struct stat* old, mode_t mode, std::string_view text, bool& unnamed,
               CueOutcome& outcome)
{
    outcome.step = CueStep::create;
    int fd = unnamed ? openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1;
    unnamed = fd >= 0;
    if (!unnamed)
        fd = nameTemporary(cueSlot, folder, [folder, mode](const char* name) {
            return openat(folder, name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        });
    if (fd < 0)
        return -1;
    if (old && (old->st_uid != geteuid() || old->st_gid != getegid()) && fchown(fd, old->st_uid, old->st_gid) != 0)
        outcome.ownerLost = true;
    outcome.step = CueStep::write;
    const int error = fchmod(fd, mode) != 0 ? errno : writeAll(fd, text);
    if (error != 0) {
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Gives the unnamed file fd a name in folder: base itself when it is new,
// else a temporary name to be renamed over it. 0, or the error; ENOENT when
// this system gives unnamed files no names (no /proc).
int nameUnnamed(int fd, int folder, const char* base, bool isNew)
{
    if (isNew && linkUnnamed(fd, folder, base) == 0)
        return 0;
    if (isNew && errno != EEXIST)
        return errno;
    return nameTemporary(cueSlot, folder, [fd, folder](const char* name) { return linkUnnamed(fd, folder, name); }) < 0
               ? errno
               : 0;
}

// Puts a new file with text in the place of base in folder, so that readers
// and other runs see the old cue sheet or the new one, never a mix, and a
// failure at any byte leaves the old one as it was.
void replaceWhole(int folder, const char* base, const struct stat* old, mode_t mode, std::string_view text,
                  CueOutcome& outcome)
{
    guardTemporaries(true);
    bool unnamed = true;
    int fd = createWith(folder, old, mode, text, unnamed, outcome);
    int error = fd < 0 ? errno : 0;
    outcome.step = error != 0 ? outcome.step : CueStep::replace;
    if (error == 0 && unnamed) {
        error = nameUnnamed(fd, folder, base, old == nullptr);
        if (error == ENOENT && *temporaryName(cueSlot) == '\0') {
            // No name for an unnamed file here: the sheet is written again under one.
            close(fd);
            unnamed = false;
            fd = createWith(folder, old, mode, text, unnamed, outcome);
            error = fd < 0 ? errno : 0;
            outcome.step = error != 0 ? outcome.step : CueStep::replace;
        }
    }
    if (fd >= 0 && close(fd) != 0 && error == 0)
        error = errno;
    // An unnamed file given the new name is in place already.
    const bool inPlace = unnamed && old == nullptr && *temporaryName(cueSlot) == '\0';
    if (error == 0 && !inPlace && renameat(folder, temporaryName(cueSlot), folder, base) != 0)
        error = errno;
    if (error != 0 && *temporaryName(cueSlot) != '\0')
        unlinkat(folder, temporaryName(cueSlot), 0);
    else if (error != 0 && inPlace && outcome.step == CueStep::replace)
        unlinkat(folder, base, 0);
    forgetTemporary(cueSlot);
    guardTemporaries(false);
    outcome.error = error;
}

// The file a name leads to through any symbolic links, whether it exists or
// not: a link's relative target is taken from the link's folder.
int resolveLinks(std::string& name)
{
    for (int depth = 0; depth < 40; ++depth) {
        char target[PATH_MAX];
        const ssize_t length = readlink(name.c_str(), target, sizeof target);
        if (length < 0)
            return errno == EINVAL || errno == ENOENT ? 0 : errno;
        if (static_cast<size_t>(length) == sizeof target)
            return ENAMETOOLONG;
        const std::string next(target, static_cast<size_t>(length));
        const size_t slash = name.rfind('/');
        name = next.starts_with('/') || slash == std::string::npos ? next : name.substr(0, slash + 1) + next;
    }
    return ELOOP;
}

// The bytes of the old file needed to compare it with the new sheet, or to
// tell what it holds: no more than the sheet and one byte, so that a file
// grown since shows, or its start. errno is set when it cannot be read.
bool readStart(const std::string& name, const struct stat& status, size_t sheetSize, std::string& start)
{
    constexpr size_t kindBytes = 512;
    std::FILE* const file = std::fopen(name.c_str(), "rbe");
    if (!file)
        return false;
    start.resize(static_cast<uint64_t>(status.st_size) == sheetSize ? sheetSize + 1 : kindBytes);
    start.resize(std::fread(start.data(), 1, start.size(), file));
    std::fclose(file);
    return true;
}

// The first line of text with any content, shortened, as a message shows it.
std::string firstLineOf(std::string_view text)
{
    text = text.substr(text.find_first_not_of(" \t\r\n") == std::string_view::npos
                           ? text.size()
                           : text.find_first_not_of(" \t\r\n"));
    const std::string_view line = text.substr(0, std::min(text.find_first_of("\r\n"), text.size()));
    return line.size() <= 60 ? std::string(line) : std::string(line.substr(0, 60)) + "...";
}

// What the old file's first bytes are, when they are no sheet's of that
// kind: audio, an image, UTF-16, anything with a NUL byte, or other text.
std::string_view notASheet(std::string_view start, bool whole, Sheet sheet)
{
    // A file of blank lines holds nothing to keep.
    if (start.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return "";
    const std::string_view kind = fileKind(start);
    if (!kind.empty())
        return kind;
    if (start.substr(0, 512).find('\0') != std::string_view::npos)
        return "binary";
    return looksLikeSheetStart(start, whole, sheet) ? "" : "text";
}

// The old file's place: kept when it holds no sheet of the kind, or the new sheet
// is empty and it is not; only touched when it holds the new sheet already.
// false when that settles it.
bool judgeOldFile(const std::string& name, const struct stat& existing, std::string_view text, bool dryRun,
                  CueOutcome& outcome)
{
    // A cue file the user may not write stays protected, though its folder
    // would let a rename replace it.
    std::string start;
    if (access(name.c_str(), W_OK) != 0 || !readStart(name, existing, text.size(), start))
        return outcome.error = errno, false;
    // A rerun that gives the same sheet only touches the file: replacing it
    // would make the filesystem flush the new file at once, which takes
    // longer than the rest of the run, and wear a flash card for nothing.
    if (start == text && (dryRun || utimensat(AT_FDCWD, name.c_str(), nullptr, 0) == 0))
        return false;
    outcome.oldKind = notASheet(start, start.size() == static_cast<uint64_t>(existing.st_size), outcome.sheet);
    if (!outcome.oldKind.empty()) {
        outcome.oldStart = firstLineOf(start);
        return outcome.refusal = CueRefusal::notACueSheet, false;
    }
    if (text.empty() && existing.st_size > 0)
        return outcome.refusal = CueRefusal::emptyOverOldFile, false;
    return true;
}

// Whether a file of size bytes is over the limit ulimit -f sets, which the
// write would meet.
bool overSizeLimit(size_t size)
{
    struct rlimit limit;
    return getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur;
}

// Why no file can be renamed over the old one, told before anything is made:
// another user's file in a sticky folder (EPERM), or a mount point, as a
// bind-mounted file is (EBUSY); 0 when nothing stands in the way.
int renameForbidden(int folder, const std::string& base, const struct stat& existing)
{
    struct stat folderStatus;
    const uid_t user = geteuid();
    if (fstat(folder, &folderStatus) == 0 && (folderStatus.st_mode & S_ISVTX) != 0 && user != 0 &&
        existing.st_uid != user && folderStatus.st_uid != user)
        return EPERM;
    struct statx status;
    if (statx(folder, base.c_str(), AT_SYMLINK_NOFOLLOW, 0, &status) == 0 &&
        (status.stx_attributes_mask & status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0)
        return EBUSY;
    return 0;
}

// The mode a new cue file gets: the old file's, else what the umask leaves.
mode_t newMode(const struct stat* old)
{
    if (old)
        return old->st_mode & 07777;
    return umaskMode();
}

// Writes text in the place of the regular file target leads to, new or old
// (existing), from its folder: any path the system can open works, however
// long in all.
void replaceInFolder(std::string target, const struct stat* existing, std::string_view text, bool dryRun,
                     CueOutcome& outcome)
{
    // Through symbolic links, which stay, to the file itself.
    if ((outcome.error = resolveLinks(target)) != 0)
        return;
    const std::string folderName = folderOf(target);
    const int folder = open(folderName.empty() ? "." : folderName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        outcome.error = errno;
        return;
    }
    if ((outcome.error = existing ? renameForbidden(folder, baseOf(target), *existing) : 0) != 0) {
        outcome.step = CueStep::replace;
        outcome.stickyFolder = outcome.error == EPERM;
    } else if (dryRun) {
        // A new file is made in the folder.
        outcome.step = CueStep::create;
        if (faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0)
            outcome.error = errno;
    } else {
        outcome.otherLinks = existing ? static_cast<int>(existing->st_nlink) - 1 : 0;
        replaceWhole(folder, baseOf(target).c_str(), existing, newMode(existing), text, outcome);
        struct stat folderStatus;
        if (outcome.error == EPERM && outcome.step == CueStep::replace && fstat(folder, &folderStatus) == 0)
            outcome.stickyFolder = (folderStatus.st_mode & S_ISVTX) != 0;
    }
    close(folder);
}

// A mistyped command line such as "trelvask list.txt song.wav" must not turn
// the user's audio or list into a cue sheet.
bool isAnInput(const std::string& name, const CueInputs& inputs)
{
    struct stat output;
    const auto isOutput = [&output](const WavFile& file) { return sameFile(output, file.device, file.inode); };
    return stat(name.c_str(), &output) == 0 && (sameFile(output, inputs.list.st_dev, inputs.list.st_ino) ||
                                                std::any_of(inputs.files.begin(), inputs.files.end(), isOutput));
}

// cdrdao opens the FILE names from the folder it runs in, players from the
// cue sheet's folder: relative names written elsewhere serve one of them only.
bool isAwayFromTheNames(const std::string& name, const CueInputs& inputs)
{
    const std::string folder = folderOf(name);
    struct stat here;
    return !folder.empty() && inputs.relativeNames && stat(".", &here) == 0 && !isFile(folder.c_str(), here);
}

// cdrdao reads a file as a cue sheet when its name ends in .cue, in any
// case, and as a TOC file otherwise.
void checkSheetName(const std::string& name, Sheet sheet, Findings& findings)
{
    const bool cueName = endsWithInAnyCase(name, ".cue");
    if (cueName == (sheet == Sheet::cue))
        return;
    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos || dot < name.rfind('/') + 1 ? name : name.substr(0, dot);
    add(findings, Rule::cueFile,
        {About::output, 0,
         sheet == Sheet::cue
             ? "cdrdao reads a file whose name does not end in .cue as a TOC file, so it refuses this cue sheet; "
               "name it " + base + ".cue, or write a TOC file with --toc"
             : "cdrdao reads a file whose name ends in .cue as a cue sheet, so it refuses this TOC file; name it " +
                   base + ".toc",
         name});
}

// What the user should know of a cue file that was written.
void noteOutcome(const std::string& name, const CueOutcome& outcome, const CueInputs& inputs, Findings& findings)
{
    if (!outcome.inPlace)
        checkSheetName(name, inputs.sheet, findings);
    if (outcome.otherLinks > 0)
        add(findings, Rule::cueFile, {About::output, 0, "this file had other hard links; they keep the old cue "
                                      "sheet, and this name has the new one", name, false});
    if (outcome.ownerLost)
        add(findings, Rule::cueFile, {About::output, 0, "the new cue sheet could not keep the old file's owner and "
                                      "group; it belongs to you now", name, false});
    if (!outcome.inPlace && isAwayFromTheNames(name, inputs))
        add(findings, Rule::cueFile,
            {About::output, 0, "this cue sheet is not in the current folder, but its FILE names are relative: "
             "cdrdao looks them up from the folder it runs in, players from the cue sheet's folder; write the cue "
             "sheet here, or list the files with absolute names", name});
}

}  // namespace

std::optional<Failure> standardOutputIsCueFile(const std::string& name)
{
    struct stat cue;
    struct stat output;
    if (name == standardOutputName || fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode) ||
        stat(name.c_str(), &cue) != 0 || !sameFile(cue, output.st_dev, output.st_ino))
        return std::nullopt;
    return Failure{Exit::cueNotWritten, "", name,
                   "standard output goes to this file too, so the report and the cue sheet would mix; it is left as "
                   "it is; give - as the cue file to have the cue sheet alone on standard output"};
}

CueOutcome writeCueFile(const std::string& name, std::string_view text, bool dryRun, Sheet sheet)
{
    CueOutcome outcome;
    outcome.sheet = sheet;
    struct stat existing;
    const bool exists = stat(name.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return outcome.error = errno, outcome;
    if (exists && S_ISDIR(existing.st_mode))
        return outcome.error = EISDIR, outcome;
    if (exists && !S_ISREG(existing.st_mode)) {
        outcome.inPlace = true;
        outcome.step = CueStep::write;
        outcome.error = writeInPlace(name, text, dryRun);
        return outcome;
    }
    if (exists && !judgeOldFile(name, existing, text, dryRun, outcome))
        return outcome;
    if (overSizeLimit(text.size())) {
        outcome.step = CueStep::write;
        return outcome.error = EFBIG, outcome;
    }
    replaceInFolder(name, exists ? &existing : nullptr, text, dryRun, outcome);
    return outcome;
}

std::optional<Failure> writeCue(const std::string& name, std::string_view cue, const CueInputs& inputs, bool dryRun,
                                Findings& findings)
{
    const std::string cannot = std::string("Cannot write ") + sheetWord(inputs.sheet) + " file called " + name;
    if (name.empty())
        return Failure{Exit::cueNotWritten, cannot + "\n", "command line",
                       "the cue file's name is empty; name a cue file, or name the list alone to write output.cue"};
    if (name == standardOutputName) {
        if (!dryRun && (std::fwrite(cue.data(), 1, cue.size(), stdout) != cue.size() || std::fflush(stdout) != 0))
            return Failure{Exit::cueNotWritten, cannot + "\n", "standard output", std::strerror(errno)};
        return std::nullopt;
    }
    if (isAnInput(name, inputs))
        return Failure{Exit::cueNotWritten, cannot + ": it is one of the input files\n", name,
                       "this is the track list or one of its WAV files; name another cue file"};
    // The report first, should the cue file be the terminal or the pipe it goes to.
    std::fflush(stdout);
    const CueOutcome outcome = writeCueFile(name, cue, dryRun, inputs.sheet);
    if (!written(outcome))
        return Failure{Exit::cueNotWritten, cannot + "\n", name, cueFailureReason(outcome, name)};
    noteOutcome(name, outcome, inputs, findings);
    return std::nullopt;
}

const char* sheetWord(Sheet sheet)
{
    return sheet == Sheet::toc ? "TOC" : "cue";
}

bool looksLikeSheetStart(std::string_view start, bool whole, Sheet sheet)
{
    static constexpr std::string_view cueCommands[] = {
        "ARRANGER", "CATALOG", "CDTEXTFILE", "COMPOSER", "DISC_ID", "FILE",    "FLAGS",      "GENRE",
        "INDEX",    "ISRC",    "MESSAGE",    "PERFORMER", "POSTGAP", "PREGAP", "SONGWRITER", "TITLE",
        "TRACK",    "UPC_EAN", "REM",
    };
    static constexpr std::string_view tocCommands[] = {"CD_DA", "CD_ROM", "CD_ROM_XA", "CD_TEXT", "CATALOG", "TRACK"};
    const auto isCommand = [sheet](std::string_view line) {
        using Commands = std::span<const std::string_view>;
        for (const std::string_view command : sheet == Sheet::toc ? Commands(tocCommands) : Commands(cueCommands))
            if (line.starts_with(command) &&
                (line.size() == command.size() || isBlank(line[command.size()]) || line[command.size()] == '{'))
                return true;
        return false;
    };
    if (start.starts_with("\xEF\xBB\xBF"))
        start.remove_prefix(3);
    if (!whole)
        start = start.substr(0, start.rfind('\n') + 1);  // whole lines only
    // A TOC file's first statement names the disc; its lines after it take
    // too many forms to look at.
    const int linesLookedAt = sheet == Sheet::toc ? 1 : 3;
    int commandLines = 0;
    while (!start.empty() && commandLines < linesLookedAt) {
        const size_t end = std::min(start.find('\n'), start.size());
        std::string_view line = start.substr(0, end);
        start.remove_prefix(std::min(end + 1, start.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        line = trimBlanks(line);
        if (line.empty() || (sheet == Sheet::toc && line.starts_with("//")))
            continue;
        if (!isCommand(line))
            return false;
        ++commandLines;
    }
    return commandLines > 0;
}

std::string cueFailureReason(const CueOutcome& outcome, const std::string& name)
{
    const std::string folder = folderOf(name).empty() ? "the current folder" : "the folder " + folderOf(name);
    if (outcome.refusal == CueRefusal::notACueSheet)
        return (outcome.oldKind == "binary" ? std::string("this file holds binary data")
                : outcome.oldKind == "text" ? "this file holds text that starts \"" + outcome.oldStart + "\""
                                            : "this is " + withArticle(outcome.oldKind) + " file") +
               (outcome.sheet == Sheet::toc ? ", not a TOC file" : ", not a cue sheet") +
               ", so it is left as it is; name another " + sheetWord(outcome.sheet) +
               " file, or remove this one first";
    if (outcome.refusal == CueRefusal::emptyOverOldFile)
        return "the list names no WAV file, so the cue sheet would be empty, and this file is left as it is; write "
               "the names of the WAV files in the list";
    if (outcome.error == ENXIO && outcome.inPlace)
        return "nothing reads from this FIFO or device; start its reader first";
    const int error = outcome.error;
    if (outcome.step == CueStep::create && (error == EACCES || error == EPERM || error == EROFS))
        return folder + " does not let this run create a file (" + std::strerror(error) +
               "), which replacing the cue sheet whole needs; make the folder writable, or write the cue sheet "
               "elsewhere";
    if (outcome.step == CueStep::replace && error == EPERM && outcome.stickyFolder)
        return folder + " is sticky, as /tmp is, and this file belongs to another user, so it "
               "cannot be replaced; write the cue sheet elsewhere, or have its owner remove it";
    if (outcome.step == CueStep::replace && error == EBUSY)
        return "this file is a mount point (bind-mounted, as docker -v mounts a file), which no file can replace; "
               "write the cue sheet to another name, then copy it over this one, as in: cp new.cue " + name;
    return std::strerror(error);
}
