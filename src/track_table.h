// The track table: one row per line of the track list, shared by every step
// of a run. main owns it; each step fills or reads its own columns.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// A CD holds at most 99 tracks; 128 rows leave room for S, P and other lines.
constexpr int maxRows = 128;

enum class LineKind : int { other = 0, split = 1, pregap = 2 };

struct TrackTable {
    std::array<const char*, maxRows> lineText{};  // NUL-terminated, inside the list buffer
    std::array<int, maxRows> lineNumber{};        // in the list file, counting blank lines too
    std::array<bool, maxRows> isWav{};
    std::array<LineKind, maxRows> lineKind{};
    std::array<bool, maxRows> isPregap{};
    std::array<int64_t, maxRows> timeFrames{};  // an S or P line's time in CD frames; -1 if not a CD time
    // What the reader found in each WAV file. 64-bit so that every frame
    // count a 32-bit data size can give fits.
    std::array<int64_t, maxRows> sampleRate{};
    std::array<int64_t, maxRows> sampleFrames{};
    std::array<int, maxRows> formatCode{};
    std::array<int, maxRows> channels{};
    std::array<int, maxRows> bitsPerSample{};
    std::array<int64_t, maxRows> dataBytesPresent{};  // no more than the data chunk declares
    std::array<uint64_t, maxRows> fileDevice{};
    std::array<uint64_t, maxRows> fileInode{};
    std::array<int, maxRows> minutes{};
    std::array<int, maxRows> seconds{};
    std::array<int, maxRows> cdFrames{};
    int entryCount = 0;
    bool linesDropped = false;  // the list had more lines than maxRows
    // WAV names on the lines past maxRows: unused, but never to be overwritten.
    std::vector<const char*> laterWavNames;
};
