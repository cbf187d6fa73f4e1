#include "paths.h"

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

std::string folderOf(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? "" : slash == 0 ? "/" : name.substr(0, slash);
}

std::string baseOf(const std::string& name)
{
    return name.substr(name.rfind('/') + 1);
}

bool endsWithInAnyCase(std::string_view text, std::string_view ending)
{
    // Only a letter has another case: 0x0E is no dot.
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - ending.size(), [](char wanted, char given) {
               return wanted == given || (wanted >= 'a' && wanted <= 'z' && wanted == (given | 0x20));
           });
}

bool sameFile(const struct stat& file, uint64_t device, uint64_t inode)
{
    return file.st_dev == device && file.st_ino == inode;
}

int linkUnnamed(int fd, int folder, const char* name)
{
    if (linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0)
        return 0;
    char path[32];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, path, folder, name, AT_SYMLINK_FOLLOW);
}

bool isFile(const char* name, const struct stat& status)
{
    struct stat other;
    return stat(name, &other) == 0 && sameFile(other, status.st_dev, status.st_ino);
}
