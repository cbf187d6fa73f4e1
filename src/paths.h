// Names of files and folders, and whether two name the same file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <sys/stat.h>

// The folder part of a name, as "../album" of "../album/list.txt" and "/" of
// "/list.txt"; empty for a name in the current folder.
std::string folderOf(const std::string& name);

// The name without its folder.
std::string baseOf(const std::string& name);

// Whether text ends in ending, a lower-case ASCII text, in any mix of case.
bool endsWithInAnyCase(std::string_view text, std::string_view ending);

// Whether file is the one of that device and inode.
bool sameFile(const struct stat& file, uint64_t device, uint64_t inode);

// Whether name is the file that status describes.
bool isFile(const char* name, const struct stat& status);

// Links the unnamed file fd (made with O_TMPFILE) into folder as name, as
// the caller may: by the descriptor for a privileged run, else through
// /proc. 0, or -1 with errno set.
int linkUnnamed(int fd, int folder, const char* name);
