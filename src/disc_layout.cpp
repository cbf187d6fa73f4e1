#include "disc_layout.h"

#include <algorithm>

#include "timing.h"

int64_t fileFrames(const WavFile& file)
{
    return cdFramesCeil(file.dataBytesPresent / file.info.frameBytes, file.info.sampleRate);
}

DiscLayout layOutDisc(const TrackTable& table, const std::vector<Track>& tracks)
{
    DiscLayout layout;
    layout.tracks.resize(tracks.size());
    int64_t fileBase = 0;  // where the current file's audio starts, its first pregap left out
    int64_t pregaps = 0;   // the pregaps of the current file's tracks so far
    int64_t end = 0;       // the current file's frames
    int previousSplit = -1;
    for (size_t index = 0; index < tracks.size(); ++index) {
        const Track& track = tracks[index];
        PlacedTrack& placed = layout.tracks[index];
        if (track.startRow == track.fileRow) {
            fileBase = addSaturating(fileBase, addSaturating(pregaps, end));
            end = fileFrames(table.wavFile(table.rows[track.fileRow]));
            layout.length = addSaturating(layout.length, end);
            pregaps = 0;
            previousSplit = -1;
        } else {
            const Row& split = table.rows[track.startRow];
            placed.inFile = split.timeFrames;
            placed.previousSplit = previousSplit;
            if (split.timeFrames < 0)
                placed.fault = SplitFault::noTime;
            else if (split.timeFrames >= end)
                placed.fault = SplitFault::pastEnd;
            else if (previousSplit >= 0 && split.timeFrames <= table.rows[previousSplit].timeFrames)
                placed.fault = SplitFault::notAfter;
            if (split.timeFrames >= 0)
                previousSplit = track.startRow;
        }
        if (track.pregapRow >= 0) {
            placed.pregap = std::max<int64_t>(table.rows[track.pregapRow].timeFrames, 0);
            layout.length = addSaturating(layout.length, placed.pregap);
            layout.hasPregaps = true;
        }
        pregaps = addSaturating(pregaps, placed.pregap);
        if (placed.fault == SplitFault::none)
            placed.start = addSaturating(fileBase, addSaturating(pregaps, placed.inFile));
    }
    // Each track runs to the next one of its file, or to the file's end.
    for (size_t index = 0; index < tracks.size(); ++index) {
        PlacedTrack& placed = layout.tracks[index];
        const bool lastOfFile = index + 1 == tracks.size() || tracks[index + 1].startRow == tracks[index + 1].fileRow;
        if (placed.fault != SplitFault::none || (!lastOfFile && layout.tracks[index + 1].fault != SplitFault::none))
            continue;
        const int64_t nextStart = lastOfFile ? fileFrames(table.wavFile(table.rows[tracks[index].fileRow]))
                                             : layout.tracks[index + 1].inFile;
        placed.length = nextStart - placed.inFile;
    }
    return layout;
}
