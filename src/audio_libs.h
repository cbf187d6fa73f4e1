// The libraries that read and resample sound files, loaded only by a run
// that converts: linked in, they would slow every run down several times.
#pragma once

#include <string>

#include <sndfile.h>
#include <soxr.h>

struct AudioLibs {
    decltype(&sf_open) open;
    decltype(&sf_close) close;
    decltype(&sf_readf_short) readShort;
    decltype(&sf_readf_float) readFloat;
    decltype(&sf_get_string) getString;
    decltype(&sf_strerror) error;
    decltype(&soxr_create) resamplerCreate;
    decltype(&soxr_process) resample;
    decltype(&soxr_delete) resamplerDelete;
    decltype(&soxr_io_spec) ioSpec;
    decltype(&soxr_quality_spec) qualitySpec;
    decltype(&soxr_runtime_spec) runtimeSpec;
};

// libsndfile and libsoxr, loaded on the first call, from the main thread;
// nullptr, with why in error, when they cannot be.
const AudioLibs* audioLibs(std::string& error);
