// An LD_PRELOAD library that makes allocations fail, to see a run end
// cleanly wherever memory runs out: FAIL_ALLOC_AT=N fails the Nth call of
// malloc, calloc or realloc, and with FAIL_ALLOC_ON set, every call from the
// Nth on. FAIL_ALLOC_COUNT=FILE writes the number of calls made to FILE at
// exit, to know how far to count.
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {

unsigned long calls = 0;

// Whether this call fails. getenv allocates nothing.
bool fails()
{
    static const char* const at = std::getenv("FAIL_ALLOC_AT");
    static const unsigned long failAt = at ? std::strtoul(at, nullptr, 10) : 0;
    static const bool failOn = std::getenv("FAIL_ALLOC_ON") != nullptr;
    ++calls;
    if (failAt != 0 && (calls == failAt || (failOn && calls > failAt))) {
        errno = ENOMEM;
        return true;
    }
    return false;
}

struct CountAtExit {
    ~CountAtExit()
    {
        if (const char* path = std::getenv("FAIL_ALLOC_COUNT"))
            if (std::FILE* out = std::fopen(path, "w")) {
                std::fprintf(out, "%lu\n", calls);
                std::fclose(out);
            }
    }
} countAtExit;

}  // namespace

extern "C" {

void* malloc(size_t size)
{
    return fails() ? nullptr : __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    return fails() ? nullptr : __libc_calloc(count, size);
}

void* realloc(void* block, size_t size)
{
    return fails() ? nullptr : __libc_realloc(block, size);
}

}  // extern "C"
