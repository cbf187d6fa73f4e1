// What a check finds: a warning about a line of the list, or the whole disc.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct Finding {
    int lineNumber;  // the line of the list it is about, or 0 for the whole disc
    std::string text;
};

// The findings of the checks, rule by rule. A rule that finds more than
// findingsPerRule faults names the first of them and counts the rest in one
// more line, so that a list of a million faulty lines is answered in
// kilobytes, not gigabytes.
constexpr size_t findingsPerRule = 1000;

struct Findings {
    std::vector<Finding> list;
    size_t ruleStart = 0;        // where the current rule's findings begin in list
    size_t unnamed = 0;          // the current rule's findings past the limit
    int firstUnnamedLine = 0;
};

inline void add(Findings& findings, int lineNumber, std::string text)
{
    if (findings.list.size() - findings.ruleStart < findingsPerRule) {
        findings.list.push_back({lineNumber, std::move(text)});
    } else if (findings.unnamed++ == 0) {
        findings.firstUnnamedLine = lineNumber;
    }
}

// Ends the current rule, with the count of what it did not name.
inline void endRule(Findings& findings)
{
    if (findings.unnamed > 0)
        findings.list.push_back({findings.firstUnnamedLine,
                                 std::to_string(findings.unnamed) + " more warnings like the last " +
                                     std::to_string(findingsPerRule) + ", from this line on, are not shown; "
                                     "mend those first and run again"});
    findings.ruleStart = findings.list.size();
    findings.unnamed = 0;
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

// In the order of the list, the whole disc last; findings on one line keep
// the order they were found in.
inline void sortByLine(std::vector<Finding>& findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        const auto order = [](const Finding& finding) {
            return finding.lineNumber == 0 ? std::numeric_limits<int>::max() : finding.lineNumber;
        };
        return order(a) < order(b);
    });
}
