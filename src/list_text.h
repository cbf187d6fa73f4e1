// The text encoding of a track list.
#pragma once

#include <string>
#include <string_view>

// Whether bytes start with a UTF-16 byte-order mark, as Windows editors write.
bool startsWithUtf16Mark(std::string_view bytes);

// A list saved as UTF-16 with a byte-order mark becomes UTF-8, without the
// mark; true when it did. Any other list, or UTF-16 that does not decode,
// stays as it is: read as bytes, as the rest of the run reads names.
bool decodeUtf16List(std::string& contents);
