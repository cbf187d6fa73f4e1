#include "wav_file.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

int openRegularFile(const char* name, struct stat& status)
{
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int error = 0;
    if (fstat(fd, &status) != 0)
        error = errno;
    else if (S_ISREG(status.st_mode))
        return fd;
    else if (S_ISDIR(status.st_mode))
        error = EISDIR;
    close(fd);
    errno = error;
    return -1;
}

long long readFileAt(int fd, char* buffer, size_t size, uint64_t offset)
{
    size_t total = 0;
    while (total < size) {
        const ssize_t count = pread(fd, buffer + total, size - total, static_cast<off_t>(offset + total));
        if (count == 0)
            break;
        if (count > 0)
            total += static_cast<size_t>(count);
        else if (errno != EINTR)
            return -1;
    }
    return static_cast<long long>(total);
}
