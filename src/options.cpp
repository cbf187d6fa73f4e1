#include "options.h"

#include <getopt.h>

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
    "  --strict    exit with status 4 when the burn check warns\n"
    "  -h, --help  show this text\n"
    "  --version   show the version\n"
    "  --          end the options, for a list or cue file named with a leading -\n";

namespace {

// Long options without a letter of their own.
constexpr int strictOption = 256;
constexpr int versionOption = 257;

}  // namespace

Options readOptions(int argc, char* argv[])
{
    static const option longOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"strict", no_argument, nullptr, strictOption},
        {"version", no_argument, nullptr, versionOption},
        {nullptr, 0, nullptr, 0},
    };
    Options options;
    // The tool says itself what is wrong, and 0 starts every call afresh.
    opterr = 0;
    optind = 0;
    int letter;
    while (options.unknown.empty() && (letter = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1) {
        if (letter == 'h')
            options.help = true;
        else if (letter == strictOption)
            options.strict = true;
        else if (letter == versionOption)
            options.version = true;
        else if (optopt == 0 || optopt == 'h' || optopt >= strictOption)  // a long one, such as --strict=yes
            options.unknown = argv[optind - 1];
        else
            options.unknown = std::string{'-', static_cast<char>(optopt)};
    }
    options.arguments.assign(argv + optind, argv + argc);
    return options;
}
