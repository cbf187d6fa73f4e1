// Opening a file to read and reading it at an offset: the system calls
// behind the WAV reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include <sys/stat.h>

// Opens name to read it as a regular file, without blocking on a FIFO named
// by mistake: the descriptor, or -1 with errno set (EISDIR for a folder, 0
// for a device or a FIFO).
int openRegularFile(const char* name, struct stat& status);

// Reads up to size bytes at offset, retrying after a signal: the count read,
// fewer at the end of the file, or -1 with errno set.
long long readFileAt(int fd, char* buffer, size_t size, uint64_t offset);
