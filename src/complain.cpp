#include "complain.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "text_encoding.h"

namespace {

// The bytes of the control character that starts text, or 0: a C0 control,
// DEL, a C1 control as U+0080 to U+009F, or raw where it is no UTF-8. A
// terminal takes some of them as commands.
size_t controlLength(std::string_view text)
{
    const unsigned char lead = byteAt(text, 0);
    if (lead < 0x20 || lead == 0x7F)
        return 1;
    const size_t length = utf8Length(text);
    if (length == 2 && lead == 0xC2 && byteAt(text, 1) <= 0x9F)
        return 2;
    return length == 0 && lead >= 0x80 && lead <= 0x9F ? 1 : 0;
}

// The bytes of text before the first that is not printable ASCII: eight at a
// time, since names and messages are mostly such bytes. In each byte of the
// test, the high bit is set for 0x7F and above, and for 0x20 and below.
size_t printableAsciiLength(std::string_view text)
{
    constexpr uint64_t ones = 0x0101010101010101;
    size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        const uint64_t low7 = word & ones * 0x7F;
        if (((low7 + ones) | word | ~(low7 + ones * 0x60)) & ones * 0x80)
            break;
    }
    while (at < text.size() && static_cast<unsigned char>(text[at] - 0x20) < 0x5F)
        ++at;
    return at;
}

// The bytes before the first control character of text.
size_t plainLength(std::string_view text)
{
    size_t length = 0;
    while (length < text.size()) {
        length += printableAsciiLength(text.substr(length));
        if (length == text.size() || controlLength(text.substr(length)) > 0)
            break;
        length += std::max<size_t>(utf8Length(text.substr(length)), 1);
    }
    return length;
}

// Control characters are shown as octal escapes, byte by byte.
void appendVisible(std::string& line, std::string_view text)
{
    while (!text.empty()) {
        const size_t plain = plainLength(text);
        line.append(text.substr(0, plain));
        text.remove_prefix(plain);
        if (text.empty())
            break;
        const size_t control = controlLength(text);
        for (size_t at = 0; at < control; ++at) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\%03o", byteAt(text, at));
            line += escape;
        }
        text.remove_prefix(control);
    }
}

}  // namespace

std::string visible(std::string_view text)
{
    std::string shown;
    for (size_t line = text.find('\n'); !text.empty(); line = text.find('\n')) {
        appendVisible(shown, text.substr(0, line));
        if (line == std::string_view::npos)
            break;
        shown += '\n';
        text.remove_prefix(line + 1);
    }
    return shown;
}

bool holdsControlCharacter(std::string_view text)
{
    return plainLength(text) < text.size();
}

void appendComplaint(std::string& out, std::string_view subject, std::string_view text)
{
    out += "trelvask: ";
    appendVisible(out, subject);
    out += ": ";
    appendVisible(out, text);
    out += '\n';
}

std::string complaint(std::string_view subject, std::string_view text)
{
    std::string line;
    appendComplaint(line, subject, text);
    return line;
}

void complain(std::string_view subject, std::string_view text)
{
    const std::string line = complaint(subject, text);
    writeComplaints(line);
}

void writeComplaints(std::string_view lines)
{
    // Whatever the report has printed comes first, so that a log of both
    // streams keeps the order of the run. A failure stays with the stream, for
    // the run to report at its end.
    std::fflush(stdout);
    std::fwrite(lines.data(), 1, lines.size(), stderr);
}
