#include "complain.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Control bytes from a name (a binary file read as a list, say) would drive
// the terminal; they are shown as octal escapes.
void appendVisible(std::string& line, std::string_view text)
{
    const auto isControl = [](char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F; };
    for (auto at = text.begin(); at != text.end();) {
        const auto control = std::find_if(at, text.end(), isControl);
        line.append(at, control);
        if (control == text.end())
            break;
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned char>(*control));
        line += escape;
        at = control + 1;
    }
}

}  // namespace

std::string complaint(std::string_view subject, std::string_view text)
{
    std::string line = "trelvask: ";
    appendVisible(line, subject);
    line += ": ";
    appendVisible(line, text);
    line += '\n';
    return line;
}

void complain(std::string_view subject, std::string_view text)
{
    std::fputs(complaint(subject, text).c_str(), stderr);
}
