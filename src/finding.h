// What the checks find: warnings about the command line, a line of the list,
// the whole disc or the cue file, gathered from every step of a run into one
// place that caps them, for the run to print at once.
#pragma once

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// What a finding is about, in the order they are printed.
enum class About : unsigned char {
    commandLine,  // its subject: what of the command line
    line,         // a line of the list
    disc,         // the whole disc
    output,       // its subject: the cue file
};

struct Finding {
    About about;
    int lineNumber;  // the line of the list it is about, for About::line
    std::string text;
    std::string subject = {};  // what it is about, for the command line and the output
    bool warning = true;       // false for a note, which --strict does not count
};

// Every kind of warning a run gives; each is capped on its own.
enum class Rule : unsigned char {
    arguments, timeText, ignoredLine, pregap, listEnd, splitTitles, wavProblem,
    names, headers, files, padding, splits, trackLengths, trackCount, discLength,
    textReplaced, textCut, textPacks, untaggedFiles, tagsUnread, cueFile, notes,
    count
};

// A rule that finds more than findingsPerRule faults names the first of them
// and counts the rest in one more line, so that a list of a million faulty
// lines is answered in kilobytes, not gigabytes.
constexpr size_t findingsPerRule = 1000;

struct Findings {
    struct Tally {
        size_t named = 0;
        size_t unnamed = 0;
        int firstUnnamedLine = 0;
    };
    std::vector<Finding> list;
    std::array<Tally, static_cast<size_t>(Rule::count)> tallies{};
};

inline void add(Findings& findings, Rule rule, Finding finding)
{
    Findings::Tally& tally = findings.tallies[static_cast<size_t>(rule)];
    if (tally.named < findingsPerRule) {
        ++tally.named;
        findings.list.push_back(std::move(finding));
    } else if (tally.unnamed++ == 0) {
        tally.firstUnnamedLine = finding.lineNumber;
    }
}

// A finding about a line of the list, or the whole disc when lineNumber is 0.
inline void add(Findings& findings, Rule rule, int lineNumber, std::string text)
{
    add(findings, rule, {lineNumber == 0 ? About::disc : About::line, lineNumber, std::move(text)});
}

// Whether any of findings is a warning.
inline bool warns(const std::vector<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding& finding) { return finding.warning; });
}

// The findings to print, with a count of what each rule did not name: about
// the command line first, then in the order of the list, the whole disc and
// the cue file last; findings on one line keep the order they were found in.
inline std::vector<Finding> inOrder(Findings findings)
{
    for (const Findings::Tally& tally : findings.tallies)
        if (tally.unnamed > 0)
            findings.list.push_back({tally.firstUnnamedLine == 0 ? About::disc : About::line, tally.firstUnnamedLine,
                                     std::to_string(tally.unnamed) + " more warnings like the last " +
                                         std::to_string(findingsPerRule) +
                                         ", from this line on, are not shown; mend those first and run again"});
    // Indices are sorted, not the findings, which are moved once.
    std::vector<size_t> order(findings.list.size());
    for (size_t at = 0; at < order.size(); ++at)
        order[at] = at;
    std::stable_sort(order.begin(), order.end(), [&findings](size_t a, size_t b) {
        const Finding& first = findings.list[a];
        const Finding& second = findings.list[b];
        return first.about != second.about ? first.about < second.about
                                            : first.about == About::line && first.lineNumber < second.lineNumber;
    });
    std::vector<Finding> sorted;
    sorted.reserve(order.size());
    for (const size_t at : order)
        sorted.push_back(std::move(findings.list[at]));
    return sorted;
}

// Joins the parts of a message, allocating once.
inline std::string join(std::initializer_list<std::string_view> parts)
{
    size_t size = 0;
    for (const std::string_view part : parts)
        size += part.size();
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts)
        text += part;
    return text;
}
