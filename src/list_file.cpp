#include "list_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <variant>

#include <fcntl.h>
#include <unistd.h>

#include "advice.h"
#include "paths.h"
#include "finding.h"
#include "text_encoding.h"

namespace {

// Reads to the end rather than by the size, so that pipes work too. A NUL
// byte ends the list, so reading stops at the block holding one: a binary
// file named by mistake costs no more than its start. In UTF-16 a NUL is
// half of most characters, so a list with its mark is read whole. 0, or the
// errno value.
int readWhole(int fd, const struct stat& status, std::string& contents)
{
    // A long list is held once, not in ever larger copies; a big file named
    // by mistake gets no more than a long list would.
    constexpr off_t longList = off_t{64} << 20;
    if (S_ISREG(status.st_mode))
        contents.reserve(static_cast<size_t>(std::min(status.st_size, longList)));
    char block[65536];
    for (ssize_t count; (count = read(fd, block, sizeof block)) != 0;) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        contents.append(block, static_cast<size_t>(count));
        if (std::memchr(block, '\0', static_cast<size_t>(count)) && !startsWithUtf16Mark(contents))
            break;
    }
    return 0;
}

}  // namespace

std::string toUtf8Command(const ListFile& list, std::string_view encoding)
{
    const std::string from = join({"iconv -f ", encoding, " -t UTF-8"});
    if (list.name == standardInputName || list.name == "standard input")
        return from + " LIST | trelvask -";
    const std::string name = quoted(list.name), converted = quoted(list.name + ".utf8");
    return join({from, " ", name, " > ", converted, " && mv ", converted, " ", name});
}

bool startsWithUtf16Mark(std::string_view bytes)
{
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

bool decodeUtf16List(std::string& contents)
{
    if (!startsWithUtf16Mark(contents))
        return false;
    std::optional<std::string> text = utf16ToUtf8(std::string_view(contents).substr(2), contents[0] == '\xFE');
    if (!text)
        return false;
    contents = std::move(*text);
    return true;
}

bool looksLikeUtf16WithoutMark(std::string_view bytes)
{
    // Text of the Latin letters, digits and punctuation that names are made
    // of has a NUL in every other byte in UTF-16, and nowhere else.
    bytes = bytes.substr(0, std::min<size_t>(bytes.size(), 512) & ~size_t{1});
    if (bytes.size() < 4)
        return false;
    size_t nulsAt[2] = {};
    for (size_t at = 0; at < bytes.size(); ++at)
        nulsAt[at % 2] += bytes[at] == '\0';
    const size_t half = bytes.size() / 2;
    return (nulsAt[0] == 0 && nulsAt[1] * 10 >= half * 9) || (nulsAt[1] == 0 && nulsAt[0] * 10 >= half * 9);
}

bool looksLikeCueSheet(std::string_view text)
{
    // A cue sheet says so in its first lines.
    text = text.substr(0, 4096);
    const auto holdsLine = [text](std::string_view start) {
        for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
            const size_t first = text.find_first_not_of(" \t\r", at);
            if (first != std::string_view::npos && text.substr(first).starts_with(start))
                return true;
            if (text.find('\n', at) == std::string_view::npos)
                break;
        }
        return false;
    };
    return holdsLine("FILE \"") && holdsLine("TRACK ") && holdsLine("INDEX ");
}

namespace {

// Opens tlist.txt, or else the list the first argument names: its
// descriptor, or a failure. Plain descriptors: a stream would need memory
// to open, and a run short of it must not take tlist.txt for missing.
std::variant<int, Failure> openList(const Options& options, ListFile& list, Findings& findings)
{
    list.name = defaultListName;
    const int fd = open(defaultListName, O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        return fd;
    const int openError = errno;
    if (options.arguments.empty()) {
        char folder[4096];
        return Failure{Exit::noList, usageText, defaultListName,
                       openError != ENOENT ? std::strerror(openError)
                                           : std::string("there is no tlist.txt in the current folder, ") +
                                                 (getcwd(folder, sizeof folder) ? folder : ".") +
                                                 "; write the names of the WAV files in one there, or name the "
                                                 "list: trelvask LIST"};
    }
    list.name = options.arguments[0];
    if (list.name.empty())
        return Failure{Exit::noList, "Cannot read track list called \n", "command line",
                       "the list's name is empty; name a list, or leave the name out to read tlist.txt"};
    if (openError != ENOENT)
        add(findings, Rule::notes,
            {About::commandLine, 0, std::strerror(openError) + ("; reading " + list.name + " instead"),
             defaultListName, false});
    if (list.name == standardInputName) {
        list.name = "standard input";
        return STDIN_FILENO;
    }
    const int other = open(list.name.c_str(), O_RDONLY | O_CLOEXEC);
    if (other < 0)
        return Failure{Exit::noList, "Cannot read track list called " + list.name + "\n", list.name,
                       std::strerror(errno)};
    return other;
}

// Why what was read is no list, when it is none: a WAV file, a cue sheet, or
// UTF-16 that does not decode; none when it is one, made UTF-8.
std::optional<std::string> notAList(ListFile& list)
{
    if (list.contents.starts_with("RIFF"))
        return "this is a WAV file, not a track list; name the list first, as in: trelvask LIST";
    if (looksLikeCueSheet(list.contents))
        return "this is a cue sheet, not a track list: trelvask writes the cue sheet from a list of WAV file names, "
               "one on each line; name that list, as in: trelvask LIST";
    if (startsWithUtf16Mark(list.contents) && !decodeUtf16List(list.contents))
        return "this list starts like UTF-16 text but does not decode (an odd number of bytes, or half of a "
               "character pair alone); save it again as UTF-8 text, as with Save As and the encoding UTF-8 in "
               "Notepad";
    if (looksLikeUtf16WithoutMark(list.contents))
        return "this list looks like UTF-16 text without a byte-order mark (a NUL byte in every other byte), which "
               "is not read as text; save it again as UTF-8, or convert it, as in: " +
               toUtf8Command(list, list.contents[0] == '\0' ? "UTF-16BE" : "UTF-16LE");
    return std::nullopt;
}

}  // namespace

std::optional<Failure> readList(const Options& options, ListFile& list, Findings& findings)
{
    const std::variant<int, Failure> opened = openList(options, list, findings);
    if (const Failure* failure = std::get_if<Failure>(&opened))
        return *failure;
    const int fd = std::get<int>(opened);
    const int error = fstat(fd, &list.status) != 0 ? errno : readWhole(fd, list.status, list.contents);
    close(fd);
    const std::string message = "Cannot read track list called " + list.name + "\n";
    if (error != 0)
        return Failure{Exit::noList, message, list.name, std::strerror(error)};
    if (const std::optional<std::string> reason = notAList(list))
        return Failure{Exit::noList, message, list.name, *reason};
    if (list.name == defaultListName && !options.arguments.empty() && !isFile(options.arguments[0], list.status))
        list.passedOver = options.arguments[0];
    return std::nullopt;
}

void checkArguments(const Options& options, const ListFile& list, const std::string& outputName, Findings& findings)
{
    if (list.passedOver)
        add(findings, Rule::arguments,
            {About::commandLine, 0,
             join({"this list was read, not ", list.passedOver, ", since a tlist.txt in the current folder always "
                   "comes first; rename or remove tlist.txt to use ", list.passedOver}),
             defaultListName});
    if (options.arguments.size() > 2) {
        std::string ignored;
        for (size_t at = 1; at < options.arguments.size(); ++at)
            ignored += std::string(at > 1 ? " " : "") + options.arguments[at];
        add(findings, Rule::arguments,
            {About::commandLine, 0,
             "ignored " + ignored + ": a cue file is named only by a second and last argument, so the cue sheet goes "
             "to " + outputName, "command line"});
    }
}
