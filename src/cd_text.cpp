#include "cd_text.h"

#include <cstdint>

#include "advice.h"
#include "paths.h"
#include "source.h"
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
std::string latin1Of(std::string_view text, Sheet sheet, bool& replaced)
{
    std::string latin1;
    latin1.reserve(text.size());
    while (!text.empty()) {
        const size_t length = utf8Length(text);
        const uint32_t code = length == 0 ? static_cast<unsigned char>(text[0]) : codeOf(text, length);
        text.remove_prefix(length == 0 ? 1 : length);
        if (code == '"' && sheet == Sheet::cue)
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

int packsFor(const Disc& disc, std::string TextPair::*field)
{
    size_t bytes = (disc.text.*field).size() + 1;
    for (const DiscTrack& track : disc.tracks)
        bytes += (*track.text.*field).size() + 1;
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
std::string firstFit(std::initializer_list<std::string_view> texts, std::string_view what, int line, Sheet sheet,
                     Findings& findings)
{
    for (const std::string_view text : texts) {
        const FitText fit = fitCdText(text, sheet);
        if (fit.text.empty())
            continue;
        const std::pair<Rule, std::string_view> changes[] = {
            {Rule::textReplaced, fit.replaced ? "holds characters that CD-TEXT, in Latin-1, cannot" : ""},
            {Rule::textCut, fit.cut ? "is longer than the 80 bytes a CD-TEXT field holds" : ""},
        };
        for (const auto& [rule, change] : changes)
            if (!change.empty())
                add(findings, rule, line,
                    join({what, " \"", quotedText(text), "\" ", change, "; it goes on the disc as \"",
                          shownText(fit.text), "\""}));
        return fit.text;
    }
    return "";
}

bool carriesTags(const Tags& tags)
{
    return !tags.title.empty() || !tags.artist.empty() || !tags.album.empty() || !tags.albumArtist.empty();
}

// Where the names came from, when some files carry tags and others none: the
// untagged ones take their titles from their names, and the disc's performer.
void noteUntaggedFiles(const Disc& disc, Findings& findings)
{
    constexpr size_t named = 3;
    std::vector<const Row*> untagged;
    size_t count = 0;
    bool anyTagged = false;
    for (const DiscTrack& track : disc.tracks) {
        if (!disc.startsFile(track))
            continue;
        const bool tagged = carriesTags(disc.table->tagsOf(disc.fileRowOf(track)));
        anyTagged = anyTagged || tagged;
        if (!tagged && count++ < named)
            untagged.push_back(&disc.fileRowOf(track));
    }
    if (!anyTagged || count == 0)
        return;
    std::string names;
    for (size_t at = 0; at < untagged.size(); ++at)
        names += join({at == 0 ? "" : at + 1 == untagged.size() && count == untagged.size() ? " and " : ", ",
                       untagged[at]->lineText});
    if (count > untagged.size())
        names += join({" and ", std::to_string(count - untagged.size()), " more"});
    // A note, not a warning: the disc is whole, and the user knows where its names came from.
    add(findings, Rule::untaggedFiles,
        {About::line, untagged.front()->lineNumber,
         join({names, count == 1 ? " carries" : " carry", " no tags, unlike the other files, so ",
               count == 1 ? "its tracks take their titles from its name"
                          : "their tracks take their titles from their names",
               " and their performer from the disc; tag ", count == 1 ? "it" : "them", ", or convert ",
               count == 1 ? "it" : "them", " again with the tags kept"}),
         {}, false});
}

// Tag chunks too large to read whole may hold texts that were not read.
void noteUnreadTags(const Disc& disc, Findings& findings)
{
    for (const DiscTrack& track : disc.tracks) {
        const Tags& tags = disc.table->tagsOf(disc.fileRowOf(track));
        if (disc.startsFile(track) && tags.unreadBytes > 0)
            add(findings, Rule::tagsUnread,
                {About::line, disc.fileRowOf(track).lineNumber,
                 join({disc.fileRowOf(track).lineText, " holds a tag chunk larger than the ",
                       std::to_string(longestTagChunk >> 20),
                       " MiB read of it, so a title, artist or album in its last ", std::to_string(tags.unreadBytes),
                       " bytes is not read; to have them read, rewrite the file "
                       "without its picture and list the new one in its place, as in: ffmpeg -i ",
                       quoted(disc.fileRowOf(track).lineText), " -map 0:a -c copy ",
                       quoted(cdName(disc.fileRowOf(track).lineText))}),
                 {}, false});
    }
}

// The disc's title and performer: the first album and album artist tags, the
// artist every file with one shares.
void chooseDiscText(Disc& disc, std::string_view fallbackTitle, Findings& findings)
{
    std::string_view album, albumArtist, sharedArtist;
    bool artistsAgree = true;
    for (const DiscTrack& track : disc.tracks) {
        if (!disc.startsFile(track))
            continue;
        const Tags& tags = disc.table->tagsOf(disc.fileRowOf(track));
        if (album.empty())
            album = tags.album;
        if (albumArtist.empty())
            albumArtist = tags.albumArtist;
        if (sharedArtist.empty())
            sharedArtist = tags.artist;
        artistsAgree = artistsAgree && (tags.artist.empty() || tags.artist == sharedArtist);
    }
    disc.text.title = firstFit({album, fallbackTitle, "Audio CD"}, "the disc's title", 0, disc.sheet, findings);
    disc.text.performer = firstFit({albumArtist, artistsAgree ? sharedArtist : "", "Various Artists"},
                                   "the disc's performer", 0, disc.sheet, findings);
}

}  // namespace

FitText fitCdText(std::string_view text, Sheet sheet)
{
    FitText fit;
    const std::string latin1(trimBlanks(latin1Of(text, sheet, fit.replaced)));
    size_t written = 0;
    for (const char c : latin1) {
        // In a cue sheet, cdrdao takes a backslash before any digit for an
        // escape: "\\134" keeps it, and counts as four.
        written += c == '\\' && sheet == Sheet::cue ? 4 : 1;
        if (written > longestCdText) {
            fit.cut = true;
            break;
        }
        fit.text += c;
    }
    if (fit.cut)
        fit.text = trimBlanks(fit.text);
    return fit;
}

std::string shownText(std::string_view stored)
{
    return latin1ToUtf8(stored);
}

int cdTextPackCount(const Disc& disc)
{
    return packsFor(disc, &TextPair::title) + packsFor(disc, &TextPair::performer) + 3;
}

std::string titleFromName(std::string_view name)
{
    name = name.substr(name.rfind('/') + 1);
    if (const size_t dot = name.rfind('.');
        dot != std::string_view::npos && (endsWithInAnyCase(name, ".wav") || namesConvertibleFile(name)))
        name.remove_suffix(name.size() - dot);
    size_t digits = 0;
    while (digits < name.size() && digits < 3 && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    const size_t rest = name.find_first_not_of(" -._)", digits);
    if (digits > 0 && rest != std::string_view::npos && rest > digits)
        name.remove_prefix(rest);
    return std::string(name);
}

void chooseCdText(Disc& disc, std::string_view fallbackTitle, Findings& findings)
{
    disc.hasCdText = true;
    chooseDiscText(disc, fallbackTitle, findings);
    for (size_t number = 1; DiscTrack& track : disc.tracks) {
        const Row& start = disc.startOf(track);
        const Row& fileRow = disc.fileRowOf(track);
        const Tags& tags = disc.table->tagsOf(fileRow);
        const std::string numbered = "Track " + std::to_string(number);
        const std::string what = "track " + std::to_string(number++) + "'s ";
        const std::string fromName = titleFromName(fileRow.lineText);
        const std::string_view splitsTitle = start.isSplit() ? splitTitle(start.lineText) : "";
        track.text = std::make_unique<TextPair>();
        track.text->title = firstFit({splitsTitle, tags.title, fromName, numbered}, what + "title", start.lineNumber,
                                     disc.sheet, findings);
        track.text->performer = firstFit({tags.artist}, what + "performer", start.lineNumber, disc.sheet, findings);
        if (track.text->performer.empty())
            track.text->performer = disc.text.performer;
    }
    if (const int packs = cdTextPackCount(disc); packs > cdTextPacks)
        add(findings, Rule::textPacks, 0,
            join({"the CD-TEXT needs ", std::to_string(packs), " packs of 12 bytes, more than the ",
                  std::to_string(cdTextPacks), " one block holds, and cdrdao 1.2.4 burns such a block corrupt without "
                  "a word; shorten the titles or performers by ", std::to_string((packs - cdTextPacks) * 12),
                  " bytes or more in all"}));
    noteUntaggedFiles(disc, findings);
    noteUnreadTags(disc, findings);
}
