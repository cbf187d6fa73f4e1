#include "list_check.h"

#include <string>
#include <string_view>

#include <sys/stat.h>

#include "advice.h"
#include "paths.h"
#include "source.h"
#include "track_list.h"

namespace {

// Sound files of other kinds, which a user may list by mistake.
constexpr std::string_view soundEndings[] = {".flac", ".mp3", ".ogg", ".opus", ".aiff", ".aif", ".m4a", ".aac",
                                             ".wma",  ".wv",  ".ape", ".tta",  ".dsf",  ".dff", ".mka", ".mpc"};

bool holdsDigit(std::string_view text)
{
    return text.find_first_of("0123456789") != std::string_view::npos;
}

// A blank line, or a comment: one that starts with # or ;.
bool isNote(std::string_view line)
{
    const std::string_view text = trimBlanks(line);
    return text.empty() || text[0] == '#' || text[0] == ';';
}

// What to do about a line that names a sound file the cue sheet does not
// take; empty when it names none. With --convert, a file that libsndfile
// reads is converted, where it is there.
std::string soundFileAdvice(std::string_view text, bool convert)
{
    if (namesWavInAnyCase(text)) {
        const std::string renamed = endsWithInAnyCase(text, ".wav")
                                        ? join({text.substr(0, text.size() - 4), ".wav"})
                                        : "a name holding .wav";
        return join({text, " is left off the disc, since only a name holding .wav or .WAV makes a WAV line; rename "
                           "the file to ", renamed, " and write that name in the list"});
    }
    if (namesConvertibleFile(text) && convert)
        return join({text, " is left off the disc, since there is no such file to convert; correct its name"});
    if (namesConvertibleFile(text))
        return join({text, " is left off the disc, since a cue sheet for a CD takes WAV files only; run trelvask "
                           "with --convert DIR to make CD audio of it in the folder DIR, or convert it by hand, as "
                           "in: ", ffmpegCommand(text)});
    for (const std::string_view ending : soundEndings)
        if (endsWithInAnyCase(text, ending))
            return join({text, " is left off the disc, since a cue sheet for a CD takes WAV files only; convert "
                               "it first, as in: ", ffmpegCommand(text)});
    return "";
}

// An S or P line without its blank loses its first digit: "S12:30:00" is a
// split at 2:30:00, and "Song.flac" a split at "ng.flac".
void checkTimeTexts(const TrackTable& table, bool convert, Findings& findings)
{
    const char* fileName = "";
    for (const Row& row : table.rows) {
        if (row.isWav())
            fileName = row.lineText;
        if (row.isWav() || row.kind == LineKind::other)
            continue;
        const std::string_view line = row.lineText, time = lineTime(line), letter = line.substr(0, 1);
        const std::string_view what = row.isPregap() ? "a pregap" : "a split";
        const std::string advice = soundFileAdvice(trimBlanks(line), convert);
        if (!advice.empty())
            add(findings, Rule::timeText, row.lineNumber,
                join({"this line starts with ", letter, ", so it is read as ", what, " in the cue sheet, and ",
                      advice}));
        else if (!holdsDigit(line.substr(1)))
            add(findings, Rule::timeText, row.lineNumber,
                join({"\"", line, "\" starts with ", letter, ", so it is read as ", what, ", but it holds no time, "
                      "and burners reject the cue sheet; if it is a note, start it with #"}));
        else if (line.size() > 1 && !isBlank(line[1]))
            add(findings, Rule::timeText, row.lineNumber,
                join({"\"", line, "\" is read as ", what, " at \"", time, "\"",
                      row.timeFrames < 0 ? ", which is not a CD time" : "", ", since the character after ", letter,
                      " is taken for a blank; write ", letter, " ", trimBlanks(line.substr(1))}));
        else if (row.timeFrames < 0)
            add(findings, Rule::timeText, row.lineNumber,
                join({"\"", time, "\" (", row.isPregap() ? "a pregap after " : "a split of ", fileName,
                      ") is not a CD time; write minutes:seconds:frames, as in 04:10:00, with seconds below 60 and "
                      "frames below 75"}));
    }
}

// What a line that makes no track looked meant to do, or empty when it is a
// note: a split or pregap written the wrong way, or a sound file of another
// kind.
std::string missedIntent(std::string_view line, bool convert)
{
    const std::string_view text = trimBlanks(line);
    const char letter = static_cast<char>(text[0] & ~0x20);
    if ((letter == 'S' || letter == 'P') && text.size() > 1 && isBlank(text[1]) && cdTimeFrames(lineTime(text)) >= 0)
        return join({"this line is left out, since only a line that starts with a capital ", {&letter, 1},
                     " makes ", letter == 'S' ? "a split" : "a pregap", ", at the very start of the line; write ",
                     {&letter, 1}, " ", lineTime(text)});
    return soundFileAdvice(text, convert);
}

// A line the rules know nothing of is a note, unless it names a file, which
// the user may have meant to burn: only that costs a look at the file system.
std::string unusedPath(std::string_view line, PathKind kind)
{
    if (kind == PathKind::folder)
        return join({line, " is a folder, which is left off the disc; write the names of the WAV files in it in the "
                           "list instead, one on each line"});
    return join({line, " is a file, but it is left off the disc, since only a name holding .wav or .WAV makes a WAV "
                       "line; if it is a WAV file, rename it to ", line, ".wav and write that name in the list"});
}

void checkIgnoredLines(const TrackTable& table, const LookUp& lookUp, bool convert, Findings& findings)
{
    for (const Row& row : table.rows) {
        if (row.kind != LineKind::other || isNote(row.lineText))
            continue;
        std::string intent = missedIntent(row.lineText, convert);
        if (intent.empty())
            if (const PathKind kind = lookUp(row.lineText); kind != PathKind::none)
                intent = unusedPath(row.lineText, kind);
        if (!intent.empty())
            add(findings, Rule::ignoredLine, row.lineNumber, std::move(intent));
    }
    if (table.rows.empty())
        add(findings, Rule::ignoredLine, 0,
            "the list names no WAV file, so the cue sheet is empty, and no burner takes an empty one; write the names "
            "of the WAV files in the list, one on each line");
}

// A pregap must follow the line of its track, a WAV or S line, and last a
// while: cdrdao refuses one of 00:00:00.
void checkPregaps(const TrackTable& table, Findings& findings)
{
    for (size_t row = 0; row < table.rows.size(); ++row) {
        const Row& pregap = table.rows[row];
        const bool used = row > 0 && (table.rows[row - 1].isWav() || table.rows[row - 1].isSplit());
        if (pregap.isPregap() && !used)
            add(findings, Rule::pregap, pregap.lineNumber,
                "this pregap follows no WAV or S line, so the cue sheet leaves it out; put it right after the line of "
                "its track");
        else if (pregap.isPregap() && pregap.timeFrames == 0)
            add(findings, Rule::pregap, pregap.lineNumber,
                "this pregap has no length, which cdrdao refuses (\"Length of pregap is zero\"); remove the line, or "
                "give the pregap a length");
    }
}

void checkListEnd(const TrackTable& table, Findings& findings)
{
    if (table.nulLine == 0)
        return;
    // A WAV name cut short is then not found: the byte is named with it.
    if (!table.rows.empty() && table.rows.back().lineNumber == table.nulLine)
        add(findings, Rule::listEnd, table.nulLine,
            join({"a NUL byte here cuts this line short after \"", table.rows.back().lineText,
                  "\" and ends the list, so the rest of the line and the lines after it are left out; remove the "
                  "byte, or save the list again as plain text"}));
    else
        add(findings, Rule::listEnd, table.nulLine,
            "a NUL byte here ends the list, so the lines after it are left out; remove the byte, or save the list "
            "again as plain text");
}

// Titles after split times go on the disc as CD-TEXT only; one warning says
// so for all of them.
void checkSplitTitles(const TrackTable& table, bool cdText, Findings& findings)
{
    if (cdText)
        return;
    int titled = 0;
    const Row* first = nullptr;
    for (const Row& row : table.rows)
        if (row.isSplit() && !splitTitle(row.lineText).empty() && titled++ == 0)
            first = &row;
    if (first)
        add(findings, Rule::splitTitles, first->lineNumber,
            join({"the title after this split's time, \"", splitTitle(first->lineText), "\"",
                  titled > 1 ? join({", and those after ", std::to_string(titled - 1), " more splits,"}) : "",
                  " go on the disc only as CD-TEXT, with --cd-text; the cue sheet has the time alone"}));
}

}  // namespace

void checkList(const TrackTable& table, const LookUp& lookUp, const ListChecks& checks, Findings& findings)
{
    checkTimeTexts(table, checks.convert, findings);
    checkIgnoredLines(table, lookUp, checks.convert, findings);
    checkPregaps(table, findings);
    checkListEnd(table, findings);
    checkSplitTitles(table, checks.cdText, findings);
}

PathKind lookUpPath(const char* name, const struct stat& list)
{
    struct stat status;
    if (stat(name, &status) != 0 || sameFile(status, list.st_dev, list.st_ino))
        return PathKind::none;
    return S_ISDIR(status.st_mode) ? PathKind::folder : PathKind::file;
}
