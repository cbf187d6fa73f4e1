#include "complain.h"

#include <cstdio>
#include <string>

namespace {

// Control bytes from a name (a binary file read as a list, say) would drive
// the terminal; they are shown as octal escapes.
void appendVisible(std::string& line, std::string_view text)
{
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        if (code >= 0x20 && code != 0x7F) {
            line += byte;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\%03o", code);
            line += escape;
        }
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
