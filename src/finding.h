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
