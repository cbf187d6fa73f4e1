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

// The starts of the tracks, and the disc's length: each file's audio follows
// the one before it, padded to whole sectors, with its tracks' pregaps.
void placeStarts(Disc& disc)
{
    const TrackTable& table = *disc.table;
    int64_t fileBase = 0;  // where the current file's audio starts, its first pregap left out
    int64_t pregaps = 0;   // the pregaps of the current file's tracks so far
    int64_t end = 0;       // the current file's frames
    int previousSplit = -1;
    for (DiscTrack& track : disc.tracks) {
        if (disc.startsFile(track)) {
            fileBase = addSaturating(fileBase, addSaturating(pregaps, end));
            end = fileFrames(disc.fileOf(track));
            disc.length = addSaturating(disc.length, end);
            pregaps = 0;
            previousSplit = -1;
        } else {
            placeSplit(track, disc.startOf(track), end, previousSplit < 0 ? nullptr : &table.rows[previousSplit]);
            track.previousSplit = previousSplit;
            if (track.inFile >= 0)
                previousSplit = track.startRow;
        }
        disc.length = addSaturating(disc.length, track.pregap);
        disc.hasPregaps = disc.hasPregaps || track.pregapRow >= 0;
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

}  // namespace

int64_t fileFrames(const WavFile& file)
{
    if (file.info.frameBytes == 0 || file.info.sampleRate == 0)
        return 0;  // not measured
    return cdFramesCeil(file.dataBytesPresent / file.info.frameBytes, file.info.sampleRate);
}

Disc buildDisc(const TrackTable& table)
{
    Disc disc;
    disc.table = &table;
    disc.tracks = listTracks(table);
    placeStarts(disc);
    placeLengths(disc);
    return disc;
}
