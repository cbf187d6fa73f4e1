#include "cd_text.h"

#include <cstdint>

#include "text_encoding.h"
#include "track_list.h"

namespace {

// The nearest ASCII letter of each character of Latin Extended-A, U+0100 to
// U+017F: the letters of Czech, Polish, Hungarian, Turkish and the like.
constexpr std::string_view latinExtendedA =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiJjJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUu"
    "WwYyYZzZzZzs";
static_assert(latinExtendedA.size() == 0x80);

// The ASCII form of a character that Latin-1 lacks, or empty when it has none.
std::string_view nearestAscii(uint32_t code)
{
    if (code >= 0x100 && code < 0x180)
        return latinExtendedA.substr(code - 0x100, 1);
    switch (code) {
    case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032:
    case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x2033:
        return "'";
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212:
        return "-";
    case 0x2026:
        return "...";
    case 0x20AC:
        return "EUR";
    default:
        return "";
    }
}

// text in Latin-1: replaced is set where a character had to change.
std::string latin1Of(std::string_view text, bool& replaced)
{
    std::string latin1;
    latin1.reserve(text.size());
    while (!text.empty()) {
        const size_t length = utf8Length(text);
        const uint32_t code = length == 0 ? static_cast<unsigned char>(text[0]) : codeOf(text, length);
        text.remove_prefix(length == 0 ? 1 : length);
        if (code == '"')
            latin1 += '\'';  // a cue sheet's text cannot hold it
        else if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0))
            latin1 += ' ';
        else if (code <= 0xFF)
            latin1 += static_cast<char>(code);
        else {
            const std::string_view ascii = nearestAscii(code);
            latin1 += ascii.empty() ? "?" : ascii;
            replaced = true;
        }
    }
    return latin1;
}

// cdrdao reads a backslash before any digit as the start of an escape, and
// refuses most of them; "\\134" is a backslash wherever it stands.
constexpr std::string_view escapedBackslash = "\\134";

// The bytes cdrdao stores for a text written in a cue sheet.
size_t storedBytes(std::string_view written)
{
    size_t escapes = 0;
    for (size_t at = written.find(escapedBackslash); at != std::string_view::npos;
         at = written.find(escapedBackslash, at + escapedBackslash.size()))
        ++escapes;
    return written.size() - 3 * escapes;
}

int packsFor(const CdText& cdText, std::string TextPair::*field)
{
    size_t bytes = storedBytes(cdText.disc.*field) + 1;
    for (const TextPair& track : cdText.tracks)
        bytes += storedBytes(track.*field) + 1;
    return static_cast<int>((bytes + 11) / 12);
}

// A text of the user's as a warning quotes it: a long one shortened.
std::string quotedText(std::string_view text)
{
    constexpr size_t longest = 100;
    if (text.size() <= longest)
        return std::string(text);
    size_t end = longest;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;  // not inside a character
    return join({text.substr(0, end), "... (", std::to_string(text.size()), " bytes)"});
}

// The first of texts that is not empty once fit for a CD; warns on line
// about what had to change in it.
std::string firstFit(std::initializer_list<std::string_view> texts, std::string_view what, int line,
                     std::vector<Finding>& findings)
{
    for (const std::string_view text : texts) {
        const CueText fit = cueText(text);
        if (fit.text.empty())
            continue;
        const std::string shown = shownText(fit.text);
        if (fit.replaced)
            findings.push_back({line, join({what, " \"", quotedText(text), "\" holds characters that CD-TEXT, in "
                                            "Latin-1, cannot; it goes on the disc as \"", shown, "\""})});
        if (fit.cut)
            findings.push_back({line, join({what, " \"", quotedText(text), "\" is longer than the 80 bytes a "
                                            "CD-TEXT field holds; it goes on the disc as \"", shown, "\""})});
        return fit.text;
    }
    return "";
}

}  // namespace

CueText cueText(std::string_view text)
{
    CueText fit;
    const std::string latin1(trimBlanks(latin1Of(text, fit.replaced)));
    for (size_t at = 0; at < latin1.size(); ++at) {
        const std::string_view unit =
            latin1[at] == '\\' ? escapedBackslash : std::string_view(latin1).substr(at, 1);
        if (fit.text.size() + unit.size() > longestCdText) {
            fit.cut = true;
            break;
        }
        fit.text += unit;
    }
    if (fit.cut)
        fit.text = trimBlanks(fit.text);
    return fit;
}

std::string shownText(std::string_view written)
{
    std::string stored;
    for (size_t at = 0; at < written.size(); ++at) {
        stored += written[at];
        if (written.substr(at).starts_with(escapedBackslash))
            at += escapedBackslash.size() - 1;
    }
    return latin1ToUtf8(stored);
}

int cdTextPackCount(const CdText& cdText)
{
    return packsFor(cdText, &TextPair::title) + packsFor(cdText, &TextPair::performer) + 3;
}

std::string titleFromName(std::string_view name)
{
    name = name.substr(name.rfind('/') + 1);
    if (endsWithInAnyCase(name, ".wav"))
        name.remove_suffix(4);
    size_t digits = 0;
    while (digits < name.size() && digits < 3 && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    const size_t rest = name.find_first_not_of(" -._)", digits);
    if (digits > 0 && rest != std::string_view::npos && rest > digits)
        name.remove_prefix(rest);
    return std::string(name);
}

namespace {

bool carriesTags(const Tags& tags)
{
    return !tags.title.empty() || !tags.artist.empty() || !tags.album.empty() || !tags.albumArtist.empty();
}

// Where the names came from, when some files carry tags and others none: the
// untagged ones take their titles from their names, and the disc's performer.
void noteUntaggedFiles(const TrackTable& table, std::vector<Finding>& findings)
{
    constexpr size_t named = 3;
    std::vector<const Row*> untagged;
    size_t count = 0;
    bool anyTagged = false;
    for (const Row& row : wavRows(table)) {
        const bool tagged = carriesTags(table.tagsOf(row));
        anyTagged = anyTagged || tagged;
        if (!tagged && count++ < named)
            untagged.push_back(&row);
    }
    if (!anyTagged || count == 0)
        return;
    std::string names;
    for (size_t at = 0; at < untagged.size(); ++at)
        names += join({at == 0 ? "" : at + 1 == untagged.size() && count == untagged.size() ? " and " : ", ",
                       untagged[at]->lineText});
    if (count > untagged.size())
        names += join({" and ", std::to_string(count - untagged.size()), " more"});
    findings.push_back({untagged.front()->lineNumber,
                        join({names, count == 1 ? " carries" : " carry", " no tags, unlike the other files, so ",
                              count == 1 ? "its tracks take their titles from its name" :
                                           "their tracks take their titles from their names",
                              " and their performer from the disc; tag ", count == 1 ? "it" : "them",
                              ", or convert ", count == 1 ? "it" : "them", " again with the tags kept"})});
}

}  // namespace

CdText chooseCdText(const TrackTable& table, std::string_view fallbackTitle, std::vector<Finding>& findings)
{
    CdText cdText;
    // The disc's performer is the artist that every file with one shares.
    std::string_view album, albumArtist, sharedArtist;
    bool artistsAgree = true;
    for (const Row& row : wavRows(table)) {
        const Tags& tags = table.tagsOf(row);
        if (album.empty())
            album = tags.album;
        if (albumArtist.empty())
            albumArtist = tags.albumArtist;
        if (sharedArtist.empty())
            sharedArtist = tags.artist;
        artistsAgree = artistsAgree && (tags.artist.empty() || tags.artist == sharedArtist);
    }
    cdText.disc.title = firstFit({album, fallbackTitle, "Audio CD"}, "the disc's title", 0, findings);
    cdText.disc.performer = firstFit({albumArtist, artistsAgree ? sharedArtist : "", "Various Artists"},
                                     "the disc's performer", 0, findings);
    const std::vector<Track> tracks = listTracks(table);
    for (size_t number = 1; const Track& track : tracks) {
        const Row& start = table.rows[track.startRow];
        const Row& fileRow = table.rows[track.fileRow];
        const Tags& tags = table.tagsOf(fileRow);
        const std::string numbered = "Track " + std::to_string(number);
        const std::string what = "track " + std::to_string(number++) + "'s ";
        const std::string fromName = titleFromName(fileRow.lineText);
        const std::string_view splitsTitle = start.isSplit() ? splitTitle(start.lineText) : "";
        TextPair& texts = cdText.tracks.emplace_back();
        texts.title = firstFit({splitsTitle, tags.title, fromName, numbered}, what + "title",
                               start.lineNumber, findings);
        texts.performer = firstFit({tags.artist}, what + "performer", start.lineNumber, findings);
        if (texts.performer.empty())
            texts.performer = cdText.disc.performer;
    }
    if (const int packs = cdTextPackCount(cdText); packs > cdTextPacks)
        findings.push_back({0, join({"the CD-TEXT needs ", std::to_string(packs), " packs of 12 bytes, more than the ",
                                     std::to_string(cdTextPacks), " one block holds, and cdrdao 1.2.4 burns such a "
                                     "block corrupt without a word; shorten the titles or performers by ",
                                     std::to_string((packs - cdTextPacks) * 12), " bytes or more in all"})});
    noteUntaggedFiles(table, findings);
    return cdText;
}
