#include "paths.h"

std::string folderOf(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? "" : slash == 0 ? "/" : name.substr(0, slash);
}

std::string baseOf(const std::string& name)
{
    return name.substr(name.rfind('/') + 1);
}

bool sameFile(const struct stat& file, uint64_t device, uint64_t inode)
{
    return file.st_dev == device && file.st_ino == inode;
}

bool isFile(const char* name, const struct stat& status)
{
    struct stat other;
    return stat(name, &other) == 0 && sameFile(other, status.st_dev, status.st_ino);
}
