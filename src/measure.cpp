#include "measure.h"

#include <cerrno>
#include <string>

#include <unistd.h>

#include "paths.h"
#include "tags.h"
#include "text_encoding.h"
#include "wav_problem.h"

namespace {

// What the file system tells of a name that was not found: a file of that
// name beside the list, or, once, a name that is found when the list is read
// as Windows-1252, as older Windows editors save it.
struct Lookups {
    std::string listFolder;
    bool encodingNamed = false;
};

std::string problemText(const TrackTable& table, const Row& row, const Failure& failure, const ListFile& list,
                        Lookups& lookups)
{
    // Only for a file that is missing: one that opens costs no more calls.
    const bool missing = failure.error == ENOENT;
    const bool besideList = missing && !lookups.listFolder.empty() && row.lineText[0] != '/' &&
                            access((lookups.listFolder + '/' + row.lineText).c_str(), F_OK) == 0;
    std::string asWindows1252;
    if (missing && !lookups.encodingNamed && !isUtf8(row.lineText)) {
        asWindows1252 = windows1252ToUtf8(row.lineText);
        lookups.encodingNamed = access(asWindows1252.c_str(), F_OK) == 0;
        if (!lookups.encodingNamed)
            asWindows1252.clear();
    }
    // A name cut short by a NUL byte is named with the byte instead.
    const bool firstLine = &row == &table.rows.front() && row.lineNumber != table.nulLine;
    return wavProblemText(row.lineText, failure,
                          {firstLine, besideList ? lookups.listFolder : "", asWindows1252,
                           toUtf8Command(list, "WINDOWS-1252")});
}

// Reads the tags of a file's tag chunks into tags, noting what is too large.
TagChunkReader tagReader(Tags& tags)
{
    return [&tags](const ChunkHeader& chunk, std::string_view body, ByteOrder order) {
        readTagChunk(chunk.id, body, order, tags);
        if (chunk.size > longestTagChunk)
            tags.unreadBytes += chunk.size - longestTagChunk;
    };
}

}  // namespace

std::optional<Failure> measureFiles(TrackTable& table, const ListFile& list, const Wanted& wanted, Findings& findings)
{
    Lookups lookups{folderOf(list.name)};
    std::optional<Failure> first;
    if (wanted.tags)
        table.tags.resize(table.wavFiles.size());
    for (const Row& row : table.rows) {
        if (!row.isWav())
            continue;
        const auto index = static_cast<size_t>(row.wavIndex);
        // How the audio ends matters only where another file follows.
        WavWanted read;
        read.ending = wanted.endings && index + 1 < table.wavFiles.size();
        if (wanted.tags)
            read.tagChunks = tagReader(table.tags[index]);
        WavFile& file = table.wavFiles[index];
        if (GET_ATTRIBUTES(row.lineText, file, read))
            continue;
        Failure failure = *wavFailure(row.lineText, file);
        add(findings, Rule::wavProblem, row.lineNumber, problemText(table, row, failure, list, lookups));
        if (!first) {
            first = std::move(failure);
            first->subject.clear();
        }
    }
    return first;
}
