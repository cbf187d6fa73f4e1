#include "disc.h"

#include <algorithm>

#include "timing.h"

namespace {

// Every WAV and S line starts a track; a P line right after one gives that
// track its pregap, and any other P line is left out.
std::vector<DiscTrack> listTracks(const TrackTable& table)
{
    std::vector<DiscTrack> tracks;
    const std::vector<Row>& rows = table.rows;
    // Held once, without the copies of a growing vector: a long list may make a million tracks.
    tracks.reserve(static_cast<size_t>(std::count_if(rows.begin(), rows.end(),
                                                     [](const Row& row) { return row.isWav() || row.isSplit(); })));
    int fileRow = 0;
    for (int row = 0; row < table.entryCount(); ++row) {
        if (rows[row].isWav())
            fileRow = row;
        else if (!rows[row].isSplit())
            continue;  // other lines, and pregaps that follow no track
        const bool hasPregap = row + 1 < table.entryCount() && rows[row + 1].isPregap();
        DiscTrack& track = tracks.emplace_back();
        track.startRow = row;
        track.fileRow = fileRow;
        track.pregapRow = hasPregap ? row + 1 : -1;
        track.pregap = hasPregap ? std::max<int32_t>(rows[row + 1].timeFrames, 0) : 0;
        if (hasPregap)
            ++row;
    }
    return tracks;
}

// Where a split's track starts in its file, or why it has no place.
void placeSplit(DiscTrack& track, const Row& split, int64_t fileEnd, const Row* previous)
{
    track.inFile = split.timeFrames;
    if (split.timeFrames < 0)
        track.fault = SplitFault::noTime;
    else if (split.timeFrames >= fileEnd)
        track.fault = SplitFault::pastEnd;
    else if (previous && split.timeFrames <= previous->timeFrames)
        track.fault = SplitFault::notAfter;
}

// Which splits have no place in their file, and the split before each.
void findFaults(Disc& disc)
{
    int64_t end = 0;  // the current file's frames
    int previousSplit = -1;
    for (DiscTrack& track : disc.tracks) {
        if (disc.startsFile(track)) {
            end = fileFrames(disc.fileOf(track));
            previousSplit = -1;
            continue;
        }
        placeSplit(track, disc.startOf(track), end,
                   previousSplit < 0 ? nullptr : &disc.table->rows[previousSplit]);
        track.previousSplit = previousSplit;
        if (track.inFile >= 0)
            previousSplit = track.startRow;
    }
}

// The places of a cue sheet's tracks: each file's audio follows the one
// before it, padded to whole sectors, with its tracks' pregaps.
void placeStarts(Disc& disc)
{
    int64_t fileBase = 0;  // where the current file's audio starts, its first pregap left out
    int64_t pregaps = 0;   // the pregaps of the current file's tracks so far
    int64_t end = 0;       // the current file's frames
    for (DiscTrack& track : disc.tracks) {
        if (disc.startsFile(track)) {
            fileBase = addSaturating(fileBase, addSaturating(pregaps, end));
            end = fileFrames(disc.fileOf(track));
            disc.length = addSaturating(disc.length, end);
            pregaps = 0;
        }
        disc.length = addSaturating(disc.length, track.pregap);
        pregaps = addSaturating(pregaps, track.pregap);
        if (track.fault == SplitFault::none)
            track.start = addSaturating(fileBase, addSaturating(pregaps, track.inFile));
    }
}

// Each track runs to the next one of its file, or to the file's end.
void placeLengths(Disc& disc)
{
    std::vector<DiscTrack>& tracks = disc.tracks;
    for (size_t index = 0; index < tracks.size(); ++index) {
        DiscTrack& track = tracks[index];
        const bool lastOfFile = index + 1 == tracks.size() || disc.startsFile(tracks[index + 1]);
        if (track.fault != SplitFault::none || (!lastOfFile && tracks[index + 1].fault != SplitFault::none))
            continue;
        track.length = (lastOfFile ? fileFrames(disc.fileOf(track)) : tracks[index + 1].inFile) - track.inFile;
    }
}

constexpr int64_t sectorSamples = 588;

int64_t wholeSectors(int64_t samples)
{
    return samples / sectorSamples + (samples % sectorSamples != 0);
}

// Where each track's audio starts among all the files' audio, one after the
// other, in sample frames: its file's start, and its S time in it.
void findAudioStarts(Disc& disc)
{
    int64_t fileStart = 0;
    int64_t fileLength = 0;
    for (DiscTrack& track : disc.tracks) {
        if (disc.startsFile(track)) {
            fileStart = addSaturating(fileStart, fileLength);
            fileLength = audioSamples(disc.fileOf(track));
        }
        track.firstSample = addSaturating(fileStart, int64_t{track.inFile} * sectorSamples);
    }
    disc.samples = addSaturating(fileStart, fileLength);
}

// The places of a TOC file's tracks, which cdrdao lays out from the files'
// audio with nothing between them: a track starts at the sector nearest to
// where its audio starts, counted from the start of its run (the disc's, or
// a pregap's), so that silence pads only a run's last track. A faulty
// split's track has no place; its audio stays with the track before.
void placeGapless(Disc& disc)
{
    findAudioStarts(disc);
    int64_t runStart = 0;  // the first sample of the current run
    int64_t runSector = 0; // where it starts on the disc
    DiscTrack* previous = nullptr;
    const auto close = [&](int64_t end) {  // the previous track runs to end
        previous->sampleCount = end - previous->firstSample;
        previous->length = wholeSectors(previous->sampleCount);
    };
    for (DiscTrack& track : disc.tracks) {
        if (track.fault != SplitFault::none)
            continue;
        const bool newRun = !previous || track.pregapRow >= 0;
        if (!newRun) {
            const int64_t offset = track.firstSample - runStart;
            track.firstSample = runStart + (offset + sectorSamples / 2) / sectorSamples * sectorSamples;
        }
        if (previous)
            close(track.firstSample);
        if (newRun) {
            runSector = previous ? addSaturating(previous->start, previous->length) : 0;
            runSector = addSaturating(runSector, track.pregap);
            runStart = track.firstSample;
        }
        track.start = addSaturating(runSector, (track.firstSample - runStart) / sectorSamples);
        previous = &track;
    }
    if (previous)
        close(disc.samples);
    disc.length = previous ? addSaturating(previous->start, previous->length) : 0;
}

}  // namespace

int64_t fileFrames(const WavFile& file)
{
    if (file.info.frameBytes == 0 || file.info.sampleRate == 0)
        return 0;  // not measured
    return cdFramesCeil(file.dataBytesPresent / file.info.frameBytes, file.info.sampleRate);
}

int64_t audioSamples(const WavFile& file)
{
    const WavInfo& info = file.info;
    if (info.frameBytes == 0 || info.sampleRate == 0)
        return 0;  // not measured
    // A burner takes any file's samples for CD audio's, 44100 a second.
    const int64_t frames = (file.dataBytesPresent - static_cast<int64_t>(info.trailingTagBytes)) / info.frameBytes;
    return info.sampleRate == 44100 ? frames : cdFramesFloor(frames, info.sampleRate) * sectorSamples;
}

Disc buildDisc(const TrackTable& table, Sheet sheet)
{
    Disc disc;
    disc.table = &table;
    disc.sheet = sheet;
    disc.tracks = listTracks(table);
    for (const DiscTrack& track : disc.tracks)
        disc.hasPregaps = disc.hasPregaps || track.pregapRow >= 0;
    findFaults(disc);
    if (sheet == Sheet::toc) {
        placeGapless(disc);
    } else {
        placeStarts(disc);
        placeLengths(disc);
    }
    return disc;
}
