// Writing files whole before they take their names, so that no reader sees
// half of one: a file under a temporary name is removed by a fatal signal.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include <sys/types.h>

// Writes all of bytes to fd, retrying after a signal; 0 or the error.
int writeAll(int fd, std::string_view bytes);

// The mode of a new file that takes no old file's: what the umask leaves of 0666.
mode_t umaskMode();

// One temporary name a writer at a time: the cue file's, and one for each
// worker that converts.
constexpr size_t cueSlot = 0;
constexpr size_t temporarySlots = 65;

// Makes a file in folder by act under a name new there, held in slot for a
// fatal signal to remove while guarded: act's result, which is the new
// file's descriptor or a status, or -1 with errno set.
int nameTemporary(size_t slot, int folder, const std::function<int(const char*)>& act);

// The temporary name slot holds; empty for none.
const char* temporaryName(size_t slot);

// Lets go of the name in slot, once the file is renamed or removed.
void forgetTemporary(size_t slot);

// While on, a fatal signal removes every temporary file and then ends the
// run as it would have; a signal that was ignored (nohup) stays ignored.
void guardTemporaries(bool on);
