#include "wav_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "wav_problem.h"

namespace {

std::string le16(unsigned value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

std::string le32(uint32_t value)
{
    return le16(value & 0xFFFF) + le16(value >> 16);
}

std::string be32(uint32_t value)
{
    const std::string little = le32(value);
    return {little.rbegin(), little.rend()};
}

std::string be16(unsigned value)
{
    return be32(value).substr(2);
}

std::string chunk(const std::string& id, const std::string& body)
{
    return id + le32(static_cast<uint32_t>(body.size())) + body;
}

std::string formatChunk(unsigned channels, uint32_t rate, unsigned bits, unsigned align = 0)
{
    align = align ? align : channels * (bits / 8);
    return chunk("fmt ", le16(1) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits));
}

// A data chunk header that declares size bytes; the audio itself is never read.
std::string dataHeader(uint32_t size)
{
    return "data" + le32(size);
}

std::string wav(const std::string& chunks)
{
    return "RIFF" + le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

std::string canonical(unsigned channels, uint32_t rate, unsigned bits, uint32_t size)
{
    return wav(formatChunk(channels, rate, bits) + dataHeader(size));
}

// A big-endian RIFX file: every number, the samples too, most significant byte first.
std::string rifx(unsigned channels, uint32_t rate, unsigned bits, uint32_t size)
{
    const unsigned align = channels * (bits / 8);
    const std::string format = "fmt " + be32(16) + be16(1) + be16(channels) + be32(rate) + be32(rate * align) +
                               be16(align) + be16(bits);
    return "RIFX" + be32(static_cast<uint32_t>(format.size() + 12 + size)) + "WAVE" + format + "data" + be32(size);
}

// A file that cannot be walked, as it does not start with RIFF.
std::string unwalkable(const std::string& file)
{
    return "RIFQ" + file.substr(4);
}

std::string audio(size_t bytes)
{
    return std::string(bytes, '\x55');
}

std::string manyChunks(int count)
{
    std::string chunks;
    for (int at = 0; at < count; ++at)
        chunks += chunk("JUNK", std::string(8, 'j'));  // past the reach of the search
    return wav(chunks + formatChunk(2, 44100, 16) + dataHeader(4)) + audio(4);
}

std::string rf64(uint64_t dataSize, const std::string& format = formatChunk(2, 44100, 16))
{
    const std::string ds64 = chunk("ds64", std::string(8, '\0') + le32(dataSize & 0xFFFFFFFF) + le32(dataSize >> 32) +
                                               std::string(12, '\0'));
    return "RF64" + le32(0xFFFFFFFF) + "WAVE" + ds64 + format + dataHeader(0xFFFFFFFF);
}

// Zeros with a chunk id laid at an exact offset.
std::string placed(size_t offset, const std::string& bytes, std::string base = std::string(36, '\0'))
{
    if (base.size() < offset + bytes.size())
        base.resize(offset + bytes.size());
    return base.replace(offset, bytes.size(), bytes);
}

struct HeaderCase {
    const char* name;
    std::string header;  // the whole file, or as much of it as matters
    WavStatus status;
    int64_t sampleRate;
    int64_t sampleFrames;
    int extraReads = 0;     // reads beyond the first headerBytes
    uint64_t fileSize = 0;  // when more than the header: the rest is audio
};

void PrintTo(const HeaderCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const std::string listChunk = chunk("LIST", "INFOISFT" + le32(14) + std::string("Lavf58.76.100", 14));

// A file whose RIFF size field reads "fmt\0", as a default ffmpeg file's does for some lengths.
std::string riffSizeReadingFmt()
{
    std::string file = canonical(2, 44100, 16, 7630112);
    return file.replace(4, 4, std::string("fmt\0", 4));
}

const HeaderCase headerCases[] = {
    // Chunks are walked, so ids inside other chunks are not taken for chunks.
    {"DataInsideTitle", wav(formatChunk(2, 44100, 16) + chunk("LIST", "INFOINAM" + le32(10) + std::string("Big data\0\0", 10)) +
                           dataHeader(1764000)), WavStatus::ok, 44100, 441000},
    {"DataNamedByCueMarker", wav(formatChunk(2, 44100, 16) + chunk("cue ", le32(1) + le32(1) + le32(0) + "data" +
                                le32(0) + le32(0) + le32(0)) + dataHeader(1764000)), WavStatus::ok, 44100, 441000},
    {"RiffSizeReadsFmt", riffSizeReadingFmt(), WavStatus::ok, 44100, 1907528},
    {"DataBeforeFormat", wav(dataHeader(40) + std::string(40, 'a') + formatChunk(2, 44100, 16)), WavStatus::ok, 44100, 10},
    {"OddChunkIsPadded", wav(chunk("JUNK", "abc") + std::string(1, '\0') + formatChunk(1, 8000, 8) + dataHeader(5)),
     WavStatus::ok, 8000, 5},
    {"LargeChunkBeforeData", wav(formatChunk(2, 44100, 16) + chunk("JUNK", std::string(20000, 'j')) + dataHeader(529200)),
     WavStatus::ok, 44100, 132300, 1},
    {"LargeChunksBeforeBoth", wav(chunk("JUNK", std::string(20000, 'j')) + formatChunk(2, 48000, 24) +
                                 chunk("bext", std::string(30000, 'b')) + dataHeader(600)), WavStatus::ok, 48000, 100, 2},
    // Chunk headers beyond the head are read a block at a time.
    {"ManySmallChunksBeforeFormat", manyChunks(1500), WavStatus::ok, 44100, 1, 1},
    // Chunks that lead nowhere fall back on the search for ids.
    {"ChunkPastTheEndFallsBack", wav(formatChunk(1, 8000, 8) + chunk("JUNK", "ab").replace(4, 4, le32(99999)) +
                                     dataHeader(7)), WavStatus::ok, 8000, 7},
    {"NoRiffFallsBack", unwalkable(canonical(1, 8000, 8, 9)), WavStatus::ok, 8000, 9},
    {"RifxIsBigEndian", rifx(2, 44100, 16, 176400), WavStatus::ok, 44100, 44100},
    {"RifxSearchedIsBigEndian", rifx(1, 48000, 24, 3000).replace(16, 4, be32(99)), WavStatus::ok, 48000, 1000},
    {"ShortFormatFallsBack", wav(chunk("fmt ", std::string(14, '\0')) + dataHeader(4)), WavStatus::unsupported, 0, 0},
    {"Canonical16BitStereo", canonical(2, 44100, 16, 40000000), WavStatus::ok, 44100, 10000000},
    {"EightBitMono", canonical(1, 22050, 8, 22050), WavStatus::ok, 22050, 22050},
    {"TwelveBitCountsAsOneByte", canonical(2, 44100, 12, 1000), WavStatus::ok, 44100, 500},
    {"TwentyFourBitStereo", canonical(2, 48000, 24, 6001), WavStatus::ok, 48000, 1000},
    {"HighBytesAreUnsigned", canonical(0x80, 0x80BB80, 0x80 * 8, 0xFF80FFFF), WavStatus::ok, 0x80BB80,
     0xFF80FFFF / (0x80 * 0x80), 1, 44 + 0xFF80FFFFull},
    {"LargestDataSize", canonical(1, 44100, 8, 0xFFFFFFFF), WavStatus::ok, 44100, 0xFFFFFFFF, 1, 44 + 0xFFFFFFFFull},
    // Sparse files no arithmetic may overflow on: a tebibyte at 1 Hz, and one
    // of 2^63 bytes that declares more than any file can hold.
    {"Rf64TebibyteAtOneHertz", rf64((uint64_t{1} << 40) - 80, formatChunk(1, 1, 8)), WavStatus::ok, 1,
     (int64_t{1} << 40) - 80, 1, uint64_t{1} << 40},
    {"Rf64LargestFile", rf64(UINT64_MAX, formatChunk(1, 1, 8)), WavStatus::ok, 1, INT64_MAX - 80, 2, INT64_MAX},
    {"ListBeforeFormat", wav(listChunk + formatChunk(2, 44100, 16) + dataHeader(400)), WavStatus::ok, 44100, 100},
    {"JunkBeforeData", wav(formatChunk(2, 96000, 32) + chunk("JUNK", std::string(4000, 'j')) + dataHeader(800)),
     WavStatus::ok, 96000, 100},
    {"ScanTakesFirstDataBytesEvenInsideAnotherChunk",
     unwalkable(wav(formatChunk(1, 8000, 8) + chunk("LIST", std::string("ab") + dataHeader(123)) + dataHeader(999))),
     WavStatus::ok, 8000, 123},
    {"FormatIdComparedOnThreeBytes", placed(36, dataHeader(10), placed(12, "fmtX" + formatChunk(1, 8000, 8).substr(4))),
     WavStatus::ok, 8000, 10},
    {"FormatAtLastOffset", placed(lastTagOffset, formatChunk(2, 44100, 16).substr(0, 24), placed(36, dataHeader(40))),
     WavStatus::ok, 44100, 10},
    {"FormatBeyondLastOffset", placed(lastTagOffset + 2, formatChunk(2, 44100, 16), placed(36, dataHeader(40))),
     WavStatus::noFormat, 0, 0},
    {"DataAtLastOffset", placed(lastTagOffset, dataHeader(40), wav(formatChunk(2, 44100, 16))), WavStatus::ok, 44100, 10},
    {"DataBeyondLastOffset", placed(lastTagOffset + 2, dataHeader(40), wav(formatChunk(2, 44100, 16))),
     WavStatus::noData, 0, 0},
    {"FormatAtOddOffset", placed(38, dataHeader(40), placed(13, formatChunk(2, 44100, 16))), WavStatus::noFormat, 0, 0},
    {"DataAtOddOffset", placed(37, dataHeader(40), wav(formatChunk(2, 44100, 16))), WavStatus::noData, 0, 0},
    {"OffsetZeroNotExamined", placed(0, formatChunk(2, 44100, 16).substr(0, 24) + dataHeader(40)), WavStatus::noFormat, 0, 0},
    {"Empty", "", WavStatus::noFormat, 0, 0},
    {"ThreeBytes", "RIF", WavStatus::noFormat, 0, 0},
    {"ZerosOnly", std::string(15000, '\0'), WavStatus::noFormat, 0, 0},
    {"NoDataChunk", wav(formatChunk(2, 44100, 16)), WavStatus::noData, 0, 0},
    {"CutInsideFormatFields", wav(formatChunk(2, 44100, 16)).substr(0, 12 + 23), WavStatus::noFormat, 0, 0},
    {"CutInsideDataSize", canonical(2, 44100, 16, 40).substr(0, 43), WavStatus::noData, 0, 0},
    {"EndsRightAfterDataSize", canonical(2, 44100, 16, 40), WavStatus::ok, 44100, 10},
    {"ZeroChannels", canonical(0, 44100, 16, 40), WavStatus::unsupported, 0, 0},
    {"ZeroRate", canonical(2, 0, 16, 40), WavStatus::unsupported, 0, 0},
    {"FourBits", canonical(1, 44100, 4, 40), WavStatus::unsupported, 0, 0},
    {"MissingDataReportedBeforeZeroFields", wav(formatChunk(0, 0, 0)), WavStatus::noData, 0, 0},
};

class WavHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(WavHeaderTest, Parses)
{
    const HeaderCase& expected = GetParam();
    const std::string& file = expected.header;
    int reads = 0;
    const WavInfo info = parseWavFile(std::string_view(file).substr(0, headerBytes),
                                      expected.fileSize ? expected.fileSize : file.size(),
                                      [&](uint64_t offset, size_t size) {
                                          ++reads;
                                          return offset < file.size() ? std::string_view(file).substr(offset, size)
                                                                      : std::string_view();
                                      });
    EXPECT_EQ(info.status, expected.status);
    EXPECT_EQ(reads, expected.extraReads);
    if (expected.status == WavStatus::ok) {
        EXPECT_EQ(info.sampleRate, expected.sampleRate);
        EXPECT_EQ(info.sampleFrames, expected.sampleFrames);
    }
}

INSTANTIATE_TEST_SUITE_P(Headers, WavHeaderTest, testing::ValuesIn(headerCases),
                         [](const auto& info) { return std::string(info.param.name); });

// How long the audio is: as declared, or to the end of a file written through
// a pipe; by the block align where the format chunk was walked.
struct LengthCase {
    const char* name;
    std::string file;
    int64_t sampleFrames;
    DataLength length = DataLength::declared;
    WavLayout layout = WavLayout::riff;
    uint64_t trailingTagBytes = 0;  // burned as audio at the end of the track
};

const std::string gstreamerTags = chunk("LIST", "INFOITRK" + le32(2) + "1\0" + "INAM" + le32(82) + audio(82));

const LengthCase lengthCases[] = {
    {"Declared", canonical(2, 44100, 16, 400) + audio(400), 100},
    {"CutOffKeepsDeclared", canonical(2, 44100, 16, 4000) + audio(400), 1000},
    {"BelowPlaceholders", canonical(2, 44100, 16, 0x7FFEFFFF) + audio(400), 0x7FFEFFFF / 4},
    {"Ffmpeg", canonical(2, 44100, 16, 0xFFFFFFFF) + audio(400), 100, DataLength::streamed},
    {"Lame", canonical(2, 44100, 16, 0x7FFFFFFF) + audio(402), 100, DataLength::streamed},
    {"Sox", canonical(2, 44100, 16, 0x7FFFF000) + audio(400), 100, DataLength::streamed},
    // A burner reads a placeholder-sized file to its end, tags and all.
    {"GstreamerTagsAfterAudio", canonical(2, 44100, 16, 0x7FFF0000) + audio(400) + gstreamerTags, 127,
     DataLength::streamed, WavLayout::riff, 111},
    // Audio that is not CD audio is converted, which leaves the tag out.
    {"GstreamerNotCdAudio", canonical(1, 48000, 16, 0x7FFF0000) + audio(400) + gstreamerTags, 200,
     DataLength::streamed},
    {"TagsAfterAudioOddSize", canonical(2, 44100, 16, 0xFFFFFFFF) + audio(400) + chunk("id3 ", "ID3abc") + '\0', 103,
     DataLength::streamed, WavLayout::riff, 15},
    {"Mpg123ZeroSize", canonical(2, 44100, 16, 0) + audio(400), 100, DataLength::zero},
    {"ZeroSizeAndNothingAfter", canonical(2, 44100, 16, 0), 0},
    {"ZeroSizeAndTagsAfter", canonical(2, 44100, 16, 0) + gstreamerTags, 0},
    {"TwelveBitsInTwoBytes", wav(formatChunk(2, 44100, 12, 4) + dataHeader(400)) + audio(400), 100},
    {"TwentyBitsInThreeBytes", wav(formatChunk(2, 44100, 20, 6) + dataHeader(600)) + audio(600), 100},
    {"TwentyFourBitsInFourBytes", wav(formatChunk(2, 44100, 24, 8) + dataHeader(800)) + audio(800), 100},
    {"AlignThatFitsNoContainer", wav(formatChunk(2, 44100, 16, 8) + dataHeader(800)) + audio(800), 200},
    {"ScanKeepsBitsRule", unwalkable(wav(formatChunk(2, 44100, 24, 8) + dataHeader(600))) + audio(600), 100,
     DataLength::declared, WavLayout::scanned},
    {"Rifx", rifx(2, 44100, 16, 400) + audio(400), 100, DataLength::declared, WavLayout::rifx},
    {"DataBeforeFormat", wav(dataHeader(400) + audio(400) + formatChunk(2, 44100, 16)), 100, DataLength::declared,
     WavLayout::dataBeforeFormat},
    {"Rf64", rf64(400) + audio(400), 100, DataLength::declared, WavLayout::rf64},
    {"Rf64CutOff", rf64(4000) + audio(400), 1000, DataLength::declared, WavLayout::rf64},
    {"Rf64Streamed", rf64(uint64_t{1} << 40) + audio(400), 100, DataLength::streamed, WavLayout::rf64},
};

TEST(WavHeader, MeasuresTheAudio)
{
    for (const LengthCase& testCase : lengthCases) {
        const std::string_view file = testCase.file;
        const WavInfo info = parseWavFile(file.substr(0, headerBytes), file.size(),
                                          [file](uint64_t offset, size_t size) { return file.substr(offset, size); });
        EXPECT_EQ(info.status, WavStatus::ok) << testCase.name;
        EXPECT_EQ(info.sampleFrames, testCase.sampleFrames) << testCase.name;
        EXPECT_EQ(info.length, testCase.length) << testCase.name;
        EXPECT_EQ(info.layout, testCase.layout) << testCase.name;
        EXPECT_EQ(info.trailingTagBytes, testCase.trailingTagBytes) << testCase.name;
    }
}

// What the reader says of a file it opens: why it cannot be measured, or how
// its audio ends, which is read only where a burner's padding could be
// heard: CD audio in part sectors, with another file after it.
TEST(WavHeader, SaysWhatItFindsInAFile)
{
    // count 16-bit samples of value, as CD audio.
    const auto samples = [](int count, int value) {
        std::string bytes;
        for (int at = 0; at < count; ++at)
            bytes += le16(static_cast<unsigned>(value) & 0xFFFF);
        return bytes;
    };
    const auto cd = [](const std::string& audio) {
        return canonical(2, 44100, 16, static_cast<uint32_t>(audio.size())) + audio;
    };
    const struct {
        std::string file;
        bool wantEnding;
        std::string said;  // the start of the reason, or the ending
    } cases[] = {
        {cd(samples(3000, 9000) + samples(1178, 0)), true, "silent"},
        {cd(samples(3000, 9000) + samples(600, -2) + samples(600, 2)), true, "silent"},  // dither
        {cd(samples(1177, 32) + samples(1, -32)), true, "silent"},
        {cd(samples(3000, 0) + samples(2, -33)), true, "music"},  // a tone to the last sample
        {cd(samples(4, 0) + samples(1, 5000) + samples(1175, 0)), true, "music"},
        {cd(samples(3000, 9000)), false, "unread"},  // the last file
        {cd(samples(2352, 9000)), true, "unread"},   // whole sectors
        {wav(chunk("fmt ", le16(0x11) + le16(2) + le32(44100) + le32(44100) + le16(2048) + le16(4)) +
             dataHeader(2048)) + audio(2048), false,
         "IMA ADPCM (code 0x11), a compressed format, which a CD cannot take; decode it to PCM first"},
        {canonical(1, 8000, 4, 4).replace(20, 2, le16(0x1234)) + audio(4), false,
         "format code 0x1234, a compressed format"},
        {canonical(0, 8000, 16, 4) + audio(4), false, "the header declares 0 channels"},
        {manyChunks(maxChunks), false, "more than 100000 chunks before the audio"},
        {wav(formatChunk(2, 44100, 16)), false, "no data chunk"},
        {"", false, "the file is empty"},
        {"fLaC" + std::string(40, '\0'), false,
         "this is a FLAC file, not a WAV file; convert it first, as in: ffmpeg -i "},
        {"ID3" + std::string(40, '\0'), false, "this is an MP3 file"},
        {audio(4000), false, "it has no RIFF header, so it is no WAV file: raw samples, perhaps, as opusdec writes "
                             "them to a pipe; decode again with a header, as in: opusdec --force-wav in.opus"},
    };
    const std::string path = testing::TempDir() + "trelvask_file.wav";
    for (const auto& testCase : cases) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        const std::string& file = testCase.file;
        ASSERT_TRUE(out && std::fwrite(file.data(), 1, file.size(), out) == file.size() && std::fclose(out) == 0);
        WavFile measured;
        GET_ATTRIBUTES(path.c_str(), measured, {.ending = testCase.wantEnding, .tagChunks = {}});
        const std::optional<Failure> failure = wavFailure(path.c_str(), measured);
        const char* const endings[] = {"unread", "silent", "music"};
        const std::string said = failure ? failure->reason : endings[static_cast<int>(measured.ending)];
        EXPECT_TRUE(said.starts_with(testCase.said)) << said;
        EXPECT_TRUE(!failure || failure->status == Exit::wavProblem) << said;
    }
    std::remove(path.c_str());
}

TEST(WavHeader, AssemblesUnsignedLittleEndian)
{
    EXPECT_EQ(Assem2("\xAC\x44"), 0x44AC);
    EXPECT_EQ(Assem2("\xFF\xFF"), 65535);
    EXPECT_EQ(Assem4("\x44\xAC\x00\x00"), 44100u);
    EXPECT_EQ(Assem4("\xFF\xFF\xFF\xFF"), 0xFFFFFFFFu);
    EXPECT_EQ(Assem4("\x80\x81\x82\x83"), 0x83828180u);
}

}  // namespace
