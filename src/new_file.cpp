#include "new_file.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A name is held from before its file can exist, with the fatal signals
// blocked in the thread that makes it; used tells the signal handler.
struct Slot {
    std::atomic<bool> used{false};
    int folder = -1;
    char name[32] = {};
};
std::array<Slot, temporarySlots> slots;
constexpr int fatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction earlierActions[std::size(fatalSignals)];

void removeTemporariesAndDie(int signal)
{
    for (Slot& slot : slots)
        if (slot.used)
            unlinkat(slot.folder, slot.name, 0);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// Blocks the fatal signals in this thread, or unblocks them again.
void blockFatalSignals(bool block)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : fatalSignals)
        sigaddset(&set, signal);
    pthread_sigmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

}  // namespace

int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno != EINTR)
            return errno;
        if (count > 0)
            bytes.remove_prefix(static_cast<size_t>(count));
    }
    return 0;
}

mode_t umaskMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int nameTemporary(size_t slot, int folder, const std::function<int(const char*)>& act)
{
    static std::atomic<unsigned long long> calls{0};
    unsigned long long state = static_cast<unsigned long long>(getpid()) << 32 ^
                               static_cast<unsigned long long>(std::time(nullptr)) ^ calls++ << 16;
    Slot& held = slots[slot];
    int result = -1;
    blockFatalSignals(true);
    for (int attempt = 0; attempt < 100; ++attempt) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        std::snprintf(held.name, sizeof held.name, ".trelvask-%06llx", state >> 40);
        result = act(held.name);
        if (result >= 0 || errno != EEXIST)
            break;
    }
    const int error = errno;
    held.folder = folder;
    held.used = result >= 0;
    if (result < 0)
        held.name[0] = '\0';
    blockFatalSignals(false);
    errno = error;
    return result;
}

const char* temporaryName(size_t slot)
{
    return slots[slot].used ? slots[slot].name : "";
}

void forgetTemporary(size_t slot)
{
    blockFatalSignals(true);
    slots[slot].used = false;
    slots[slot].name[0] = '\0';
    blockFatalSignals(false);
}

void guardTemporaries(bool on)
{
    for (size_t at = 0; at < std::size(fatalSignals); ++at) {
        if (!on) {
            sigaction(fatalSignals[at], &earlierActions[at], nullptr);
            continue;
        }
        sigaction(fatalSignals[at], nullptr, &earlierActions[at]);
        if (earlierActions[at].sa_handler != SIG_IGN)
            std::signal(fatalSignals[at], removeTemporariesAndDie);
    }
}
