#include "audio_libs.h"

#include <dlfcn.h>

namespace {

// Looks up each function by its name in library; false when one is missing.
template <typename Function>
bool find(void* library, const char* name, Function& function, std::string& error)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (!function)
        error = std::string("it has no ") + name;
    return function != nullptr;
}

bool load(AudioLibs& libs, std::string& error)
{
    // The libraries' names as their packages install them: libsndfile1 and libsoxr0.
    void* const sndfile = dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
    void* const soxr = sndfile ? dlopen("libsoxr.so.0", RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!sndfile || !soxr) {
        error = dlerror();
        return false;
    }
    return find(sndfile, "sf_open", libs.open, error) && find(sndfile, "sf_close", libs.close, error) &&
           find(sndfile, "sf_readf_short", libs.readShort, error) &&
           find(sndfile, "sf_readf_float", libs.readFloat, error) &&
           find(sndfile, "sf_get_string", libs.getString, error) &&
           find(sndfile, "sf_strerror", libs.error, error) &&
           find(soxr, "soxr_create", libs.resamplerCreate, error) &&
           find(soxr, "soxr_process", libs.resample, error) &&
           find(soxr, "soxr_delete", libs.resamplerDelete, error) &&
           find(soxr, "soxr_io_spec", libs.ioSpec, error) &&
           find(soxr, "soxr_quality_spec", libs.qualitySpec, error) &&
           find(soxr, "soxr_runtime_spec", libs.runtimeSpec, error);
}

}  // namespace

const AudioLibs* audioLibs(std::string& error)
{
    static AudioLibs libs;
    static std::string why;
    static const bool loaded = load(libs, why);
    error = why;
    return loaded ? &libs : nullptr;
}
