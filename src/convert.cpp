#include "convert.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "audio_libs.h"
#include "complain.h"
#include "finding.h"
#include "new_file.h"
#include "paths.h"
#include "text_encoding.h"
#include "track_list.h"

namespace {

constexpr size_t blockFrames = 16384;
constexpr std::string_view markStart = "Trelvask conversion of ";

// One source to convert.
struct Job {
    const char* source;
    const Conversion* conversion;
    int64_t frames;  // of CD audio, as predicted
};

// What the workers share: the jobs, how far they are, and the first failure.
struct Work {
    std::vector<Job> jobs;
    int64_t totalFrames = 0;
    int folder = -1;
    std::atomic<size_t> next{0};  // the job a worker takes next; the one before it is the latest begun
    std::atomic<int64_t> framesDone{0};
    std::atomic<size_t> jobsDone{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;  // a job has ended, or the work stops
    std::optional<Failure> failure;
};

void fail(Work& work, Failure failure)
{
    const std::lock_guard<std::mutex> lock(work.mutex);
    if (!work.failure)
        work.failure = std::move(failure);
    work.stop = true;
    work.ended.notify_all();
}

// The FNV-1a hash of text, for names that stay the same on every run.
uint32_t hashOf(std::string_view text)
{
    uint32_t hash = 2166136261u;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

void appendInfo(std::string& list, std::string_view id, std::string_view text)
{
    if (text.empty())
        return;
    const auto size = static_cast<uint32_t>(text.size() + 1);
    list += id;
    for (int shift = 0; shift < 32; shift += 8)
        list += static_cast<char>(size >> shift);
    list.append(text) += '\0';
    if (size % 2)
        list += '\0';
}

std::string littleEndian(uint64_t value, int bytes)
{
    std::string text;
    for (int at = 0; at < bytes; ++at)
        text += static_cast<char>(value >> (8 * at));
    return text;
}

}  // namespace

std::string convertedName(const std::string& folder, std::string_view source, bool sameNameElsewhere)
{
    std::string_view base = source.substr(source.rfind('/') + 1);
    const bool wav = endsWithInAnyCase(base, ".wav");
    if (const size_t dot = base.rfind('.'); dot != std::string_view::npos && dot > 0)
        base = base.substr(0, dot);
    char hash[16] = "";
    if (sameNameElsewhere)
        std::snprintf(hash, sizeof hash, "-%08x", hashOf(source));
    return (folder.ends_with('/') ? folder : folder + '/') + std::string(base) + hash + (wav ? "-cd.wav" : ".wav");
}

std::string conversionMark(std::string_view source, const struct stat& status)
{
    // Built without printf, as a rerun builds one for every source.
    char numbers[96];
    char* end = std::to_chars(numbers, numbers + 32, static_cast<long long>(status.st_size)).ptr;
    end = std::copy_n(" bytes changed at ", 18, end);
    end = std::to_chars(end, numbers + 72, static_cast<long long>(status.st_mtim.tv_sec)).ptr;
    *end++ = '.';
    char nanoseconds[16];
    const char* const digits = std::to_chars(nanoseconds, nanoseconds + 16, status.st_mtim.tv_nsec).ptr;
    end = std::fill_n(end, 9 - (digits - nanoseconds), '0');
    end = std::copy(static_cast<const char*>(nanoseconds), digits, end);
    return join({markStart, std::string_view(numbers, static_cast<size_t>(end - numbers)), ": ",
                 source.substr(source.rfind('/') + 1)});
}

bool isConversion(std::string_view software)
{
    return software.starts_with(markStart);
}

std::string cdWavHeader(int64_t frames, const Tags& tags, std::string_view mark)
{
    std::string info = "INFO";
    appendInfo(info, "INAM", tags.title);
    appendInfo(info, "IART", tags.artist);
    appendInfo(info, "IPRD", tags.album);
    appendInfo(info, "IAAR", tags.albumArtist);
    appendInfo(info, "ISFT", mark);
    const uint64_t audio = static_cast<uint64_t>(frames) * 4;
    const std::string format = "fmt " + littleEndian(16, 4) + littleEndian(1, 2) + littleEndian(2, 2) +
                               littleEndian(44100, 4) + littleEndian(176400, 4) + littleEndian(4, 2) +
                               littleEndian(16, 2);
    const std::string list = "LIST" + littleEndian(info.size(), 4) + info;
    const uint64_t riff = 4 + format.size() + list.size() + 8 + audio;
    return "RIFF" + littleEndian(std::min<uint64_t>(riff, 0xFFFFFFFF), 4) + "WAVE" + format + list + "data" +
           littleEndian(std::min<uint64_t>(audio, 0xFFFFFFFF), 4);
}

void ditherTo16(const float* samples, int16_t* out, size_t count, uint64_t& random)
{
    // Two uniform values a sample, from the high bits of a xorshift64* generator.
    const auto uniform = [&random] {
        random ^= random >> 12;
        random ^= random << 25;
        random ^= random >> 27;
        return static_cast<float>((random * 0x2545F4914F6CDD1DULL) >> 40) / 16777216.0f;
    };
    for (size_t at = 0; at < count; ++at) {
        // Rounded to the nearest, within what 16 bits hold.
        const float value = std::clamp(samples[at] * 32768.0f + uniform() - uniform(), -32768.0f, 32767.0f);
        out[at] = static_cast<int16_t>(value + (value < 0 ? -0.5f : 0.5f));
    }
}

namespace {

// A source read as CD audio, a block at a time: its samples as they are
// where they are 16-bit at 44100 Hz, else as floating point, resampled and
// dithered; mono made two equal channels.
struct Decoder {
    const AudioLibs& libs;
    SNDFILE* file = nullptr;
    SF_INFO info{};
    soxr_t resampler = nullptr;
    bool exact = false;   // 16 bits or fewer at 44100 Hz: the samples as they are
    bool ended = false;   // the source is read to its end
    uint64_t random = 0;  // the dither's
    std::vector<float> input = {}, stereo = {}, output = {};
    std::vector<int16_t> samples = {};
};

bool isExact(const SF_INFO& info)
{
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    return info.samplerate == 44100 &&
           (subtype == SF_FORMAT_PCM_16 || subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8);
}

// Opens the source; empty, or why it cannot be read.
std::string openDecoder(Decoder& decoder, const char* source)
{
    decoder.file = decoder.libs.open(source, SFM_READ, &decoder.info);
    if (!decoder.file)
        return decoder.libs.error(nullptr);
    if (decoder.info.channels < 1 || decoder.info.channels > 2)
        return std::to_string(decoder.info.channels) + " channels, and a CD holds two";
    decoder.exact = isExact(decoder.info);
    decoder.random = 0x9E3779B97F4A7C15ULL ^ hashOf(source);
    const size_t channels = static_cast<size_t>(decoder.info.channels);
    decoder.input.resize(blockFrames * channels);
    decoder.stereo.resize(blockFrames * 2);
    decoder.samples.resize(blockFrames * 2 * 8);
    if (decoder.exact || decoder.info.samplerate == 44100)
        return "";
    // Very high quality, one thread: every core has a source of its own.
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = decoder.libs.ioSpec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = decoder.libs.qualitySpec(SOXR_VHQ, 0);
    const soxr_runtime_spec_t runtime = decoder.libs.runtimeSpec(1);
    decoder.resampler =
        decoder.libs.resamplerCreate(decoder.info.samplerate, 44100, 2, &error, &io, &quality, &runtime);
    decoder.output.resize(blockFrames * 2 * 8);
    return decoder.resampler ? "" : error;
}

void closeDecoder(Decoder& decoder)
{
    if (decoder.resampler)
        decoder.libs.resamplerDelete(decoder.resampler);
    if (decoder.file)
        decoder.libs.close(decoder.file);
}

// Mono made two equal channels, in place into stereo.
template <typename Sample>
void toStereo(const Sample* in, Sample* out, size_t frames, int channels)
{
    for (size_t frame = frames; frame-- > 0;) {
        out[2 * frame] = in[frame * static_cast<size_t>(channels)];
        out[2 * frame + 1] = in[frame * static_cast<size_t>(channels) + (channels > 1 ? 1 : 0)];
    }
}

// The next frames of floating-point CD audio, resampled where they must be:
// in decoder.stereo or decoder.output; 0 at the end. The resampler gives
// nothing for its first blocks, and the rest of its audio once flushed.
size_t resampledBlock(Decoder& decoder, const float*& cd)
{
    for (;;) {
        size_t frames = 0;
        if (!decoder.ended) {
            const sf_count_t read = decoder.libs.readFloat(decoder.file, decoder.input.data(), blockFrames);
            frames = static_cast<size_t>(std::max<sf_count_t>(read, 0));
            decoder.ended = frames == 0;
            toStereo(decoder.input.data(), decoder.stereo.data(), frames, decoder.info.channels);
        }
        cd = decoder.stereo.data();
        if (!decoder.resampler)
            return frames;
        size_t made = 0;
        decoder.libs.resample(decoder.resampler, decoder.ended ? nullptr : decoder.stereo.data(), frames, nullptr,
                              decoder.output.data(), decoder.output.size() / 2, &made);
        cd = decoder.output.data();
        if (made > 0 || decoder.ended)
            return made;
    }
}

// The next frames of CD audio into decoder.samples, 0 at the end.
size_t decodeBlock(Decoder& decoder)
{
    if (decoder.exact) {
        const sf_count_t read = decoder.libs.readShort(decoder.file, decoder.samples.data(), blockFrames);
        const size_t frames = static_cast<size_t>(std::max<sf_count_t>(read, 0));
        toStereo(decoder.samples.data(), decoder.samples.data(), frames, decoder.info.channels);
        return frames;
    }
    const float* cd = nullptr;
    const size_t frames = resampledBlock(decoder, cd);
    ditherTo16(cd, decoder.samples.data(), frames * 2, decoder.random);
    return frames;
}

// The converted file's audio: exactly the frames predicted, the source's
// audio cut there or padded with silence to them. 0, or the write's error;
// a source that cannot be read further ends the audio early, as the reader
// ends it.
int writeAudio(int fd, Decoder& decoder, int64_t frames, Work& work)
{
    int64_t left = frames;
    while (left > 0 && !work.stop) {
        size_t got = decodeBlock(decoder);
        if (got == 0) {  // short of the prediction: silence
            got = std::min<size_t>(blockFrames, static_cast<size_t>(left));
            std::fill_n(decoder.samples.begin(), got * 2, int16_t{0});
        }
        const size_t taken = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(got), left));
        if (const int error = writeAll(fd, {reinterpret_cast<const char*>(decoder.samples.data()), taken * 4}))
            return error;
        left -= static_cast<int64_t>(taken);
        work.framesDone += static_cast<int64_t>(taken);
    }
    return 0;
}

// The tags to carry: the source's own, and what libsndfile reads of a kind
// of file whose tags the tool does not read itself.
Tags tagsToCarry(const Decoder& decoder, const char* source)
{
    Tags tags = readSourceTags(source);
    const std::pair<std::string Tags::*, int> strings[] = {
        {&Tags::title, SF_STR_TITLE}, {&Tags::artist, SF_STR_ARTIST}, {&Tags::album, SF_STR_ALBUM}};
    for (const auto& [field, type] : strings)
        if ((tags.*field).empty())
            if (const char* text = decoder.libs.getString(decoder.file, type); text && isUtf8(text))
                tags.*field = text;
    return tags;
}

// The workers' temporary names follow the cue file's.
constexpr size_t maxWorkers = temporarySlots - 1;

// A new file in folder for the worker of slot: unnamed where the filesystem
// allows, so that nothing of it is left should the run end; else under a
// temporary name. -1 with errno set when it fails.
int createConverted(int folder, size_t slot)
{
    const mode_t mode = umaskMode();
    const int fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0)
        return fd;
    return nameTemporary(slot + 1, folder, [folder, mode](const char* name) {
        return openat(folder, name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
    });
}

// Gives the whole file its name: an unnamed file where the name is new, at
// once; else under a temporary name renamed over the old conversion of a
// changed source, so that one file or the other always has the name. 0 or
// errno.
int nameConverted(int fd, int folder, size_t slot, const std::string& base)
{
    if (*temporaryName(slot + 1) == '\0') {
        if (linkUnnamed(fd, folder, base.c_str()) == 0)
            return 0;
        if (errno != EEXIST || nameTemporary(slot + 1, folder, [fd, folder](const char* name) {
                return linkUnnamed(fd, folder, name);
            }) < 0)
            return errno;
    }
    if (renameat(folder, temporaryName(slot + 1), folder, base.c_str()) != 0)
        return errno;
    forgetTemporary(slot + 1);
    return 0;
}

Failure sourceFailure(const Job& job, std::string_view reason)
{
    return Failure{Exit::wavProblem, "", job.source, join({"it cannot be converted to CD audio: ", reason})};
}

Failure targetFailure(const Job& job, int error)
{
    return Failure{Exit::cueNotWritten, "", job.conversion->target,
                   join({std::strerror(error), "; it is not written, and no part of it is left"}), error};
}

// Converts one source into its target: a whole file under its name, or
// nothing; a failure is kept in work, and stops the others.
void convertOne(const Job& job, const AudioLibs& libs, size_t slot, Work& work)
{
    Decoder decoder{libs};
    const std::string unreadable = openDecoder(decoder, job.source);
    int error = 0;
    if (unreadable.empty()) {
        const int fd = createConverted(work.folder, slot);
        error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            const std::string header = cdWavHeader(job.frames, tagsToCarry(decoder, job.source), job.conversion->mark);
            error = writeAll(fd, header);
            if (error == 0)
                error = writeAudio(fd, decoder, job.frames, work);
            // On the disk before it has a name, so that a crash leaves no
            // file that a rerun would take for whole.
            if (error == 0 && !work.stop)
                error = fdatasync(fd) == 0 ? nameConverted(fd, work.folder, slot, baseOf(job.conversion->target))
                                           : errno;
            if (close(fd) != 0 && error == 0)
                error = errno;
        }
        // A temporary name still held names no whole conversion.
        if (*temporaryName(slot + 1) != '\0')
            unlinkat(work.folder, temporaryName(slot + 1), 0);
        forgetTemporary(slot + 1);
    }
    closeDecoder(decoder);
    if (!unreadable.empty())
        fail(work, sourceFailure(job, unreadable));
    else if (error != 0)
        fail(work, targetFailure(job, error));
    const std::lock_guard<std::mutex> lock(work.mutex);
    ++work.jobsDone;
    work.ended.notify_all();
}

void runWorker(Work& work, const AudioLibs& libs, size_t slot)
{
    for (size_t at; !work.stop && (at = work.next++) < work.jobs.size();)
        convertOne(work.jobs[at], libs, slot, work);
}

// "1:05" for 65 seconds.
std::string minutesAndSeconds(int64_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

// One line on standard error, written over as the work goes on, where that
// is a terminal: how many files, how much of their audio, and the time left.
void showProgress(Work& work, const std::string& folder)
{
    const auto start = std::chrono::steady_clock::now();
    const bool terminal = isatty(STDERR_FILENO) != 0;
    std::unique_lock<std::mutex> lock(work.mutex);
    // Woken as the last job ends, so that a short conversion waits for no tick.
    while (!work.ended.wait_for(lock, std::chrono::milliseconds(200),
                                [&work] { return work.jobsDone == work.jobs.size() || work.stop; })) {
        if (!terminal)
            continue;
        const int64_t done = work.framesDone;
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int64_t left = done > 0 ? static_cast<int64_t>(seconds * static_cast<double>(work.totalFrames - done) /
                                                             static_cast<double>(done))
                                      : 0;
        const int64_t percent = done * 100 / std::max<int64_t>(work.totalFrames, 1);
        const size_t latest = std::clamp<size_t>(work.next, 1, work.jobs.size());
        const std::string line = join({"\r\033[Ktrelvask: converting ", visible(work.jobs[latest - 1].source), " (",
                                       std::to_string(latest), " of ", std::to_string(work.jobs.size()), ") into ",
                                       visible(folder), ": ", std::to_string(percent), "%, ", minutesAndSeconds(left), " left"});
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    if (terminal)
        std::fputs("\r\033[K", stderr);
}

// The folder of the conversions, made when missing: its descriptor, or -1
// with the failure.
int openFolder(const std::string& folder, std::optional<Failure>& failure)
{
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        failure = Failure{Exit::cueNotWritten, "", folder,
                          join({std::strerror(errno), "; the folder for the converted files cannot be made"}), errno};
        return -1;
    }
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        failure = Failure{Exit::cueNotWritten, "", folder, std::strerror(errno), errno};
    return fd;
}

// Enough room for every converted file, before the first byte is written.
std::optional<Failure> checkSpace(int folder, const std::string& name, const Work& work)
{
    struct statvfs space;
    if (fstatvfs(folder, &space) != 0)
        return std::nullopt;  // nothing tells; the writes will
    uint64_t needed = 0;
    for (const Job& job : work.jobs)
        needed += 4096 + static_cast<uint64_t>(job.frames) * 4;
    const uint64_t available = static_cast<uint64_t>(space.f_bavail) * space.f_frsize;
    if (needed <= available)
        return std::nullopt;
    return Failure{Exit::cueNotWritten, "", name,
                   join({"the converted files need ", std::to_string(needed), " bytes, and this folder's disk has ",
                         std::to_string(available), " free; make ", std::to_string(needed - available),
                         " bytes free, or name a folder on another disk with --convert"})};
}

void collectJobs(const TrackTable& table, Work& work)
{
    for (const Row& row : table.rows) {
        if (!row.isWav() || table.wavFile(row).conversion < 0)
            continue;
        const Conversion& conversion = table.conversions[static_cast<size_t>(table.wavFile(row).conversion)];
        const bool listedBefore = std::any_of(work.jobs.begin(), work.jobs.end(),
                                              [&](const Job& job) { return job.conversion == &conversion; });
        if (conversion.done || listedBefore)
            continue;
        work.jobs.push_back({row.lineText, &conversion, table.wavFile(row).info.sampleFrames});
        work.totalFrames += table.wavFile(row).info.sampleFrames;
    }
}

}  // namespace

std::optional<Failure> convertSources(TrackTable& table, const std::string& folder)
{
    Work work;
    collectJobs(table, work);
    if (work.jobs.empty())
        return std::nullopt;
    std::string why;
    const AudioLibs* const libs = audioLibs(why);
    if (!libs)
        return Failure{Exit::wavProblem, "", work.jobs.front().source,
                       "it cannot be converted, for libsndfile and libsoxr cannot be loaded (" + why +
                           "); install them, as in: sudo apt install libsndfile1 libsoxr0"};
    std::optional<Failure> failure;
    work.folder = openFolder(folder, failure);
    if (work.folder >= 0 && !(failure = checkSpace(work.folder, folder, work))) {
        guardTemporaries(true);
        std::vector<std::thread> workers;
        const size_t cores = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, maxWorkers);
        for (size_t slot = 0; slot < std::min(cores, work.jobs.size()); ++slot)
            workers.emplace_back(runWorker, std::ref(work), std::cref(*libs), slot);
        showProgress(work, folder);
        for (std::thread& worker : workers)
            worker.join();
        guardTemporaries(false);
        failure = std::move(work.failure);
    }
    if (work.folder >= 0)
        close(work.folder);
    return failure;
}
