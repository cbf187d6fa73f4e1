// Converting text between the encodings that lists and tags come in; the
// tool works in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The byte at at as unsigned, or 0 past the end of bytes.
inline unsigned char byteAt(std::string_view bytes, size_t at)
{
    return at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0;
}

// A blank or a tab, which separate the parts of a line.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// text without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

// Appends the character code as UTF-8.
void appendUtf8(std::string& text, uint32_t code);

// UTF-16 units, two bytes each in the given order, as UTF-8; none when they
// do not decode (an odd count of bytes, or half of a pair alone).
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Latin-1 bytes as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

// Windows-1252 bytes, a superset of Latin-1's letters, as UTF-8.
std::string windows1252ToUtf8(std::string_view bytes);

// The length of the valid UTF-8 sequence that starts text, or 0.
size_t utf8Length(std::string_view text);

// Whether text is UTF-8 throughout.
bool isUtf8(std::string_view text);

// The character code of the UTF-8 sequence of length bytes (from
// utf8Length) that starts text.
uint32_t codeOf(std::string_view text, size_t length);
