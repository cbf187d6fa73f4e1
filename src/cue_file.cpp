#include "cue_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes and closes fd; 0 or the first error.
int writeAndClose(int fd, std::string_view text)
{
    int error = 0;
    while (!text.empty() && error == 0) {
        const ssize_t count = write(fd, text.data(), text.size());
        if (count < 0 && errno != EINTR)
            error = errno;
        if (count > 0)
            text.remove_prefix(static_cast<size_t>(count));
    }
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// A device or a FIFO has no old content to keep. A FIFO is opened without
// blocking, so that one with no reader fails at once instead of hanging.
int writeInPlace(const std::string& name, std::string_view text)
{
    const int fd = open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (fcntl(fd, F_SETFL, 0) != 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    return writeAndClose(fd, text);
}

// The temporary file of a replacement, for the signal handler to remove.
// Set and cleared only while the signals are blocked.
char temporaryName[PATH_MAX];
constexpr int fatalSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction earlierActions[std::size(fatalSignals)];

// Removes the temporary file, then dies of the signal, so that the shell sees it.
void removeTemporaryAndDie(int signal)
{
    if (temporaryName[0] != '\0')
        unlink(temporaryName);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// Blocks the fatal signals, or unblocks them again.
void blockFatalSignals(bool block)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : fatalSignals)
        sigaddset(&set, signal);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// Creates the temporary file beside target, so that the signal handler
// knows its name before anything can interrupt. A signal that was ignored
// (nohup) stays ignored.
int createTemporary(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string pattern = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".trelvask-XXXXXX";
    if (pattern.size() >= sizeof temporaryName)
        return errno = ENAMETOOLONG, -1;
    blockFatalSignals(true);
    std::memcpy(temporaryName, pattern.c_str(), pattern.size() + 1);
    const int fd = mkostemp(temporaryName, O_CLOEXEC);
    const int error = errno;
    if (fd < 0)
        temporaryName[0] = '\0';
    for (size_t at = 0; fd >= 0 && at < std::size(fatalSignals); ++at) {
        sigaction(fatalSignals[at], nullptr, &earlierActions[at]);
        if (earlierActions[at].sa_handler != SIG_IGN)
            std::signal(fatalSignals[at], removeTemporaryAndDie);
    }
    blockFatalSignals(false);
    errno = error;
    return fd;
}

void forgetTemporary()
{
    blockFatalSignals(true);
    temporaryName[0] = '\0';
    for (size_t at = 0; at < std::size(fatalSignals); ++at)
        sigaction(fatalSignals[at], &earlierActions[at], nullptr);
    blockFatalSignals(false);
}

// Writes a new file beside target and renames it over target, so that
// readers and other runs see the old cue sheet or the new one, never a mix,
// and a failure at any byte leaves the old one as it was. An old file's
// owner and group come over where this process may set them.
int replaceWhole(const std::string& target, const struct stat* old, mode_t mode, std::string_view text,
                 CueNotes& notes)
{
    const int fd = createTemporary(target);
    if (fd < 0)
        return errno;
    if (old && (old->st_uid != geteuid() || old->st_gid != getegid()) && fchown(fd, old->st_uid, old->st_gid) != 0)
        notes.ownerLost = true;
    int error = fchmod(fd, mode) == 0 ? 0 : errno;
    const int written = writeAndClose(fd, text);
    if (error == 0)
        error = written;
    if (error == 0 && rename(temporaryName, target.c_str()) != 0)
        error = errno;
    if (error != 0)
        unlink(temporaryName);
    forgetTemporary();
    return error;
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

// Whether the regular file called name, of this status, holds just text.
bool holdsExactly(const std::string& name, const struct stat& status, std::string_view text)
{
    if (static_cast<uint64_t>(status.st_size) != text.size())
        return false;
    std::FILE* const file = std::fopen(name.c_str(), "rbe");
    if (!file)
        return false;
    // One byte more than the sheet, so that a file grown since shows.
    std::string old(text.size() + 1, '\0');
    old.resize(std::fread(old.data(), 1, old.size(), file));
    std::fclose(file);
    return old == text;
}

}  // namespace

bool cueIsStandardOutputFile(const std::string& name)
{
    struct stat cue;
    struct stat output;
    return fstat(STDOUT_FILENO, &output) == 0 && S_ISREG(output.st_mode) && stat(name.c_str(), &cue) == 0 &&
           cue.st_dev == output.st_dev && cue.st_ino == output.st_ino;
}

int writeCueFile(const std::string& name, std::string_view text, CueNotes& notes)
{
    struct stat existing;
    if (stat(name.c_str(), &existing) != 0) {
        if (errno != ENOENT)
            return errno;
        // A new name, or a link to a missing file: the file it leads to is
        // created whole, and the link stays.
        std::string target = name;
        if (const int error = resolveLinks(target))
            return error;
        const mode_t mask = umask(0);
        umask(mask);
        return replaceWhole(target, nullptr, 0666 & ~mask, text, notes);
    }
    if (!S_ISREG(existing.st_mode)) {
        notes.inPlace = true;
        return writeInPlace(name, text);
    }
    // A cue file the user may not write stays protected, though its folder
    // would let a rename replace it.
    if (access(name.c_str(), W_OK) != 0)
        return errno;
    // A rerun that gives the same sheet only touches the file: replacing it
    // would make the filesystem flush the new file at once, which takes longer
    // than the rest of the run, and wear a flash card for nothing.
    if (holdsExactly(name, existing, text) && utimensat(AT_FDCWD, name.c_str(), nullptr, 0) == 0)
        return 0;
    // Through symbolic links to the file itself, which keeps the links.
    char* const target = realpath(name.c_str(), nullptr);
    if (!target)
        return errno;
    notes.otherLinks = static_cast<int>(existing.st_nlink) - 1;
    const int error = replaceWhole(target, &existing, existing.st_mode & 07777, text, notes);
    std::free(target);
    return error;
}
