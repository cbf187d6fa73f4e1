#include "file_kind.h"

#include <string>
#include <utility>

#include "text_encoding.h"

bool startsLikeWav(std::string_view start)
{
    return start.starts_with("RIFF") || start.starts_with("RIFX") || start.starts_with("RF64") ||
           start.starts_with("BW64");
}

std::string_view fileKind(std::string_view start)
{
    static constexpr std::pair<std::string_view, std::string_view> magics[] = {
        {"RIFX", "big-endian WAV"},
        {"RIFF", "RIFF"},  // WAV, or AVI or WebP: named by the form after it
        {"RF64", "RF64 WAV"},
        {"BW64", "BW64 WAV"},
        {"FORM", "AIFF"},
        {"fLaC", "FLAC"},
        {"ID3", "MP3"},
        {"OggS", "Ogg"},
        {"wvpk", "WavPack"},
        {"MAC ", "Monkey's Audio"},
        {"TTA1", "TTA"},
        {"DSD ", "DSF"},
        {"\x30\x26\xB2\x75", "WMA"},
        {"\x89PNG", "PNG"},
        {"\xFF\xD8\xFF", "JPEG"},
        {"%PDF", "PDF"},
        {"PK\x03\x04", "ZIP"},
    };
    // Before an MPEG frame, whose sync bits its first two bytes would pass for.
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        return "UTF-16 text";
    for (const auto& [magic, kind] : magics)
        if (start.starts_with(magic))
            return kind == "RIFF" ? start.size() >= 12 && start.substr(8, 4) == "WAVE" ? "WAV" : "RIFF" : kind;
    if (start.size() >= 8 && start.substr(4, 4) == "ftyp")
        return "MP4";
    // An MPEG audio frame: eleven sync bits, then the layer; AAC in ADTS has layer 0.
    if (byteAt(start, 0) == 0xFF && (byteAt(start, 1) & 0xE0) == 0xE0)
        return (byteAt(start, 1) & 0x06) != 0 ? "MP3" : "AAC";
    return {};
}

std::string withArticle(std::string_view kind)
{
    // By the sound it starts with: "an Ogg", "an MP3" (spelt out), "a UTF-16 text".
    const bool vowelSound = (!kind.empty() && std::string_view("AEIOaeio").find(kind[0]) != std::string_view::npos) ||
                            kind.starts_with("MP") || kind.starts_with("RF");
    return (vowelSound ? "an " : "a ") + std::string(kind);
}
