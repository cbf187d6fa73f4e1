#include "cue_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t count = write(fd, text.data(), text.size());
        if (count < 0 && errno != EINTR)
            return errno;
        if (count > 0)
            text.remove_prefix(static_cast<size_t>(count));
    }
    return 0;
}

// Writes and closes fd; 0 or the first error.
int writeAndClose(int fd, std::string_view text)
{
    int error = writeAll(fd, text);
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

int writeInPlace(const std::string& name, std::string_view text)
{
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    const int error = writeAndClose(fd, text);
    // A cut-off cue sheet would burn a wrong disc; leave none rather than half of one.
    struct stat status;
    if (error != 0 && stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        unlink(name.c_str());
    return error;
}

// Writes a new file beside target and renames it over target, so that
// readers and other runs see the old cue sheet or the new one, never a mix.
int replaceWhole(const std::string& target, mode_t mode, std::string_view text)
{
    const size_t slash = target.rfind('/');
    std::string temporary = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".trelvask-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = fchmod(fd, mode) == 0 ? 0 : errno;
    const int written = writeAndClose(fd, text);
    if (error == 0)
        error = written;
    if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0)
        unlink(temporary.c_str());
    return error;
}

// The report is flushed first, so that the cue sheet follows it.
int writeToStandardOutput(std::string_view text)
{
    if (std::fflush(stdout) != 0 || std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0)
        return errno;
    return 0;
}

}  // namespace

int writeCueFile(const std::string& name, std::string_view text)
{
    struct stat existing;
    if (stat(name.c_str(), &existing) != 0) {
        struct stat link;
        // A new name is written whole too; a link to a missing file is
        // followed, creating the file it names.
        if (errno == ENOENT && lstat(name.c_str(), &link) != 0 && errno == ENOENT) {
            const mode_t mask = umask(0);
            umask(mask);
            return replaceWhole(name, 0666 & ~mask, text);
        }
        return writeInPlace(name, text);
    }
    struct stat output;
    if (fstat(STDOUT_FILENO, &output) == 0 && output.st_dev == existing.st_dev && output.st_ino == existing.st_ino)
        return writeToStandardOutput(text);
    if (!S_ISREG(existing.st_mode) || existing.st_nlink != 1)
        return writeInPlace(name, text);
    // A cue file the user may not write stays protected, though its folder
    // would let a rename replace it.
    if (access(name.c_str(), W_OK) != 0)
        return errno;
    // Through symbolic links to the file itself, which keeps its links and permission bits.
    char* const target = realpath(name.c_str(), nullptr);
    if (!target)
        return errno;
    const int error = replaceWhole(target, existing.st_mode & 07777, text);
    std::free(target);
    return error;
}
