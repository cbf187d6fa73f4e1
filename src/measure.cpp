#include "measure.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

#include <unistd.h>

#include "advice.h"
#include "convert.h"
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

// The CD audio a source becomes, as a WAV file of frames predicted.
WavInfo cdAudio(int64_t frames)
{
    WavInfo info;
    info.formatCode = 1;
    info.channels = 2;
    info.bitsPerSample = 16;
    info.blockAlign = 4;
    info.frameBytes = 4;
    info.sampleRate = 44100;
    info.sampleFrames = frames;
    info.dataSize = static_cast<uint64_t>(frames) * 4;
    return info;
}

// What is read of a file beyond its length: its tags into tags where they
// are wanted (a converted file's always, for its mark), and how its audio
// ends where another file follows it.
WavWanted readingOf(const Wanted& wanted, const TrackTable& table, size_t index, Tags& tags, bool converted)
{
    WavWanted read;
    read.ending = wanted.endings && index + 1 < table.wavFiles.size();
    if (wanted.tags || converted)
        read.tagChunks = tagReader(tags);
    return read;
}

// The converted file measured in place of its source, with its tags.
void takeConverted(TrackTable& table, size_t index, WavFile converted, Tags tags)
{
    converted.conversion = table.wavFiles[index].conversion;
    table.wavFiles[index] = std::move(converted);
    if (index < table.tags.size())
        table.tags[index] = std::move(tags);
}

// A conversion made before, and still of this source: its file measured
// in place of the source. A file of that name that is no conversion is
// never replaced.
std::optional<Failure> findConversion(TrackTable& table, size_t index, const Wanted& wanted, Conversion& conversion)
{
    WavFile converted;
    Tags tags;
    GET_ATTRIBUTES(conversion.target.c_str(), converted, readingOf(wanted, table, index, tags, true));
    if (!converted.read)
        return converted.error == ENOENT ? std::nullopt
                                         : std::optional(Failure{Exit::cueNotWritten, "", conversion.target,
                                                                 std::strerror(converted.error), converted.error});
    if (!isConversion(tags.software))
        return Failure{Exit::cueNotWritten, "", conversion.target,
                       "this file was not made by trelvask, so it is left as it is, and the source is not converted; "
                       "move it, or name another folder with --convert"};
    conversion.done = tags.software == conversion.mark && converted.info.status == WavStatus::ok &&
                      !needsConversion(converted.info) &&
                      static_cast<uint64_t>(converted.dataBytesPresent) == converted.info.dataSize;
    if (conversion.done)
        takeConverted(table, index, std::move(converted), std::move(tags));
    return std::nullopt;
}

// The length and tags of a source to convert, as its CD audio will have them.
std::optional<Failure> predictConversion(TrackTable& table, const Row& row, const Wanted& wanted,
                                         Conversion& conversion)
{
    WavFile& file = table.wavFiles[static_cast<size_t>(row.wavIndex)];
    std::string reason;
    // A WAV file is measured already.
    const std::optional<SourceFormat> format =
        namesConvertibleFile(row.lineText)
            ? readSourceFormat(row.lineText, reason)
            : SourceFormat{file.info.sampleRate, file.info.channels, file.dataBytesPresent / file.info.frameBytes};
    if (!format)
        return Failure{Exit::wavProblem, "", row.lineText, "it cannot be read to be converted: " + reason};
    if (format->channels > 2 || format->channels < 1 || format->sampleRate <= 0)
        return Failure{Exit::wavProblem, "", row.lineText,
                       join({"it has ", std::to_string(format->channels),
                             " channels, and a CD holds two; trelvask does not guess at a downmix: mix it down first, "
                             "as in: ffmpeg -i ", quoted(row.lineText), " -ac 2 ", quoted(cdName(row.lineText))})};
    conversion.format = *format;
    file.info = cdAudio(convertedFrames(format->sampleFrames, format->sampleRate));
    file.dataBytesPresent = static_cast<int64_t>(file.info.dataSize);
    if (wanted.tags)
        table.tags[static_cast<size_t>(row.wavIndex)] = readSourceTags(row.lineText);
    return std::nullopt;
}

// A source to convert, with --convert: where its CD audio goes, and what it
// will be, read from a conversion made before or predicted.
std::optional<Failure> measureSource(TrackTable& table, const Row& row, const Wanted& wanted, std::string target)
{
    struct stat status;
    WavFile& file = table.wavFiles[static_cast<size_t>(row.wavIndex)];
    if (stat(row.lineText, &status) != 0) {
        file.read = false;
        file.error = errno;
        return wavFailure(row.lineText, file);
    }
    file.conversion = static_cast<int>(table.conversions.size());
    Conversion& conversion = table.conversions.emplace_back();
    conversion.target = std::move(target);
    conversion.mark = conversionMark(row.lineText, status);
    file.device = status.st_dev;
    file.inode = status.st_ino;
    if (auto failure = findConversion(table, static_cast<size_t>(row.wavIndex), wanted, conversion))
        return failure;
    return conversion.done ? std::nullopt : predictConversion(table, row, wanted, conversion);
}

// For each WAV row, the name its conversion would have: with a hash of the
// source's path where another source's would be the same, as for two files
// 01.flac in two folders.
std::vector<std::string> conversionNames(const TrackTable& table, const std::string& folder)
{
    std::vector<std::string> names(folder.empty() ? 0 : table.wavFiles.size());
    if (folder.empty())
        return names;
    struct Use {
        std::string_view source;  // the first source of the name
        bool shared = false;      // and another's
    };
    std::unordered_map<std::string_view, Use> uses;
    for (const Row& row : table.rows) {
        if (!row.isWav())
            continue;
        std::string& name = names[static_cast<size_t>(row.wavIndex)];
        name = convertedName(folder, row.lineText, false);
        const auto [at, isNew] = uses.emplace(name, Use{row.lineText});
        at->second.shared = at->second.shared || (!isNew && at->second.source != row.lineText);
    }
    std::vector<bool> shared(names.size());
    for (size_t at = 0; at < names.size(); ++at)
        shared[at] = uses.at(names[at]).shared;
    for (const Row& row : table.rows)
        if (row.isWav() && shared[static_cast<size_t>(row.wavIndex)])
            names[static_cast<size_t>(row.wavIndex)] = convertedName(folder, row.lineText, true);
    return names;
}

// Measures the file of a WAV row; with --convert, a source that is to be
// made CD audio is measured as it will be.
std::optional<Failure> measureRow(TrackTable& table, const Row& row, const Wanted& wanted,
                                  const std::vector<std::string>& targets)
{
    const auto index = static_cast<size_t>(row.wavIndex);
    const bool convert = !wanted.convertInto.empty();
    if (convert && namesConvertibleFile(row.lineText))
        return measureSource(table, row, wanted, targets[index]);
    Tags unwanted;
    Tags& tags = index < table.tags.size() ? table.tags[index] : unwanted;
    WavFile& file = table.wavFiles[index];
    if (!GET_ATTRIBUTES(row.lineText, file, readingOf(wanted, table, index, tags, false)))
        return wavFailure(row.lineText, file);
    if (convert && needsConversion(file.info))
        return measureSource(table, row, wanted, targets[index]);
    return std::nullopt;
}

}  // namespace

std::optional<Failure> measureFiles(TrackTable& table, const ListFile& list, const Wanted& wanted, Findings& findings)
{
    Lookups lookups{folderOf(list.name)};
    std::optional<Failure> first;
    table.tags.resize(wanted.tags ? table.wavFiles.size() : 0);
    const std::vector<std::string> targets = conversionNames(table, wanted.convertInto);
    for (const Row& row : table.rows) {
        if (!row.isWav())
            continue;
        std::optional<Failure> failure = measureRow(table, row, wanted, targets);
        if (!failure)
            continue;
        const bool unreadable = !table.wavFile(row).read || table.wavFile(row).info.status != WavStatus::ok;
        add(findings, Rule::wavProblem, row.lineNumber,
            unreadable && failure->subject == row.lineText ? problemText(table, row, *failure, list, lookups)
                                                           : failure->subject + ": " + failure->reason);
        if (!first) {
            first = std::move(failure);
            first->subject.clear();
        }
    }
    return first;
}

std::optional<Failure> measureConverted(TrackTable& table, const Wanted& wanted)
{
    for (const Row& row : table.rows) {
        if (!row.isWav() || table.wavFile(row).conversion < 0)
            continue;
        const auto index = static_cast<size_t>(row.wavIndex);
        Conversion& conversion = table.conversions[static_cast<size_t>(table.wavFiles[index].conversion)];
        if (conversion.done)
            continue;
        WavFile converted;
        Tags tags;
        if (!GET_ATTRIBUTES(conversion.target.c_str(), converted, readingOf(wanted, table, index, tags, true)))
            return wavFailure(conversion.target.c_str(), converted);
        takeConverted(table, index, std::move(converted), std::move(tags));
    }
    for (Conversion& conversion : table.conversions)
        conversion.done = true;
    return std::nullopt;
}
