#include "options.h"

#include <vector>

const char* const usageText =
    "Trelvask " TRELVASK_VERSION " by Quorvanel\n"
    "Enter your .wav file names in a track called tlist.txt\n"
    "Or, use a different list filename by entering it as\n"
    "the first command line argument.\n"
    "Optionally, add the name for the output .cue file as\n"
    "the second command line argument.\n"
    "To split a file into separate tracks, start a line with S\n"
    "followed by the start time.\n"
    "To add a pregap, start a line with P followed by the length\n";

const char* const optionsText =
    "\nOptions may stand anywhere on the command line:\n"
    "  --cd-text       put the album's and tracks' titles and performers on the\n"
    "                  disc as CD-TEXT, from the files' tags or names\n"
    "  --convert DIR   make CD audio, with its tags, of the FLAC, Ogg, Opus, MP3\n"
    "                  and AIFF files the list names, and of WAV files that are\n"
    "                  not CD audio, once, into the folder DIR; the sheet names\n"
    "                  the converted files\n"
    "  -n, --dry-run   do all but write the cue file\n"
    "  --strict        exit with status 4 when the burn check warns\n"
    "  --toc           write cdrdao's own TOC file (output.toc) instead of a cue\n"
    "                  sheet: the files' music runs on from one into the next,\n"
    "                  with no silence at the seams, and every end is exact\n"
    "  -t, --tracks    list the disc's tracks as the burner lays them out, how\n"
    "                  full a CD-R it makes, and the command that burns it\n"
    "  -h, --help      show this text\n"
    "  --version       show the version\n"
    "  --              end the options, for a list or cue file named with a leading -\n"
    "A list named - is read from standard input; a cue file named - is written\n"
    "to standard output, with the report on standard error.\n";

namespace {

struct OptionName {
    std::string_view name;  // after --
    char letter;            // after -, or 0
    bool Options::*flag;    // what it sets, or
    std::string Options::*value = nullptr;  // what it takes: the next word, or what follows "="
};

constexpr OptionName optionNames[] = {
    {"cd-text", 0, &Options::cdText},
    {"convert", 0, nullptr, &Options::convertInto},
    {"dry-run", 'n', &Options::dryRun},
    {"help", 'h', &Options::help},
    {"strict", 0, &Options::strict},
    {"toc", 0, &Options::toc},
    {"tracks", 't', &Options::tracks},
    {"version", 0, &Options::version},
};

// The long options that name starts, as GNU tools take an abbreviation: the
// one it names whole, else every one it is the start of.
std::vector<const OptionName*> longOptions(std::string_view name)
{
    std::vector<const OptionName*> found;
    for (const OptionName& option : optionNames) {
        if (name == option.name)
            return {&option};
        if (!name.empty() && option.name.starts_with(name))
            found.push_back(&option);
    }
    return found;
}

// Sets the option or options that word gives, and the value of one that
// takes the next word, which is then used up; false when any of it is no
// option, or names more than one.
bool setOptions(Options& options, std::string_view word, const char* next, bool& nextUsed)
{
    if (word.starts_with("--")) {
        const size_t equals = word.find('=');
        const std::vector<const OptionName*> found = longOptions(word.substr(2, equals - std::min(equals, size_t{2})));
        if (found.size() != 1 || (equals != std::string_view::npos && !found.front()->value))
            return false;
        if (!found.front()->value)
            return options.*found.front()->flag = true;
        nextUsed = equals == std::string_view::npos;
        if (nextUsed && !next)
            return options.missingValue = "--" + std::string(found.front()->name), false;
        options.*found.front()->value = nextUsed ? next : std::string(word.substr(equals + 1));
        return true;
    }
    const auto named = [](char letter) {
        for (const OptionName& option : optionNames)
            if (option.letter != 0 && option.letter == letter)
                return option.flag;
        return static_cast<bool Options::*>(nullptr);
    };
    for (const char letter : word.substr(1))
        if (!named(letter))
            return false;
    for (const char letter : word.substr(1))
        options.*named(letter) = true;
    return true;
}

}  // namespace

Options readOptions(int argc, char* argv[])
{
    Options options;
    bool ended = false;
    for (int at = 1; at < argc; ++at) {
        const std::string_view word = argv[at];
        bool nextUsed = false;
        if (ended || word == "-" || !word.starts_with('-'))
            options.arguments.push_back(argv[at]);
        else if (word == "--")
            ended = true;
        else if (!setOptions(options, word, at + 1 < argc ? argv[at + 1] : nullptr, nextUsed)) {
            options.unknown = word;
            break;
        }
        at += nextUsed;
    }
    return options;
}

std::string unknownOptionHint(std::string_view word)
{
    const std::string_view name = word.substr(word.starts_with("--") ? 2 : 1);
    if (const std::vector<const OptionName*> found = longOptions(name); word.starts_with("--") && found.size() > 1) {
        std::string candidates;
        for (size_t at = 0; at < found.size(); ++at)
            candidates += (at == 0 ? "" : at + 1 == found.size() ? " and --" : ", --") + std::string(found[at]->name);
        return "it is the start of --" + candidates + "; write more of the one you mean";
    }
    for (const OptionName& option : optionNames) {
        if (!word.starts_with("--") && name == option.name)
            return "did you mean --" + std::string(option.name) + "?";
        if (word.starts_with("--") && name.starts_with(option.name) && name.substr(option.name.size(), 1) == "=")
            return "--" + std::string(option.name) + " takes no value";
    }
    if (!word.starts_with("--") && word.size() > 2)
        return "to name a file that starts with -, write -- before it, or ./" + std::string(word);
    return "";
}

Failure optionFailure(const Options& options)
{
    const std::string_view word = options.unknown;
    const std::string usage = "usage: trelvask [OPTION]... [LIST [CUE]]; trelvask --help tells more";
    if (!options.missingValue.empty())
        return Failure{Exit::noList, "", "option " + options.missingValue,
                       "it takes the folder to convert into, as in: " + options.missingValue + " cd; " + usage};
    const std::string hint = unknownOptionHint(word);
    const bool ambiguous = word.starts_with("--") && longOptions(word.substr(2)).size() > 1;
    return Failure{Exit::noList, "", (ambiguous ? "ambiguous option " : "unknown option ") + std::string(word),
                   (hint.empty() ? "" : hint + "; ") + usage};
}
