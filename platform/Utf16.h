#pragma once

#include <cstddef>
#include <string_view>

// Attributed strings keep their text as UTF-8 but count lengths and ranges in UTF-16 code
// units, as the desktop toolkits do. Bytes that are not valid UTF-8 count one unit each.
namespace nvx::platform {

// Number of UTF-16 code units of the UTF-8 text; characters outside the BMP count two.
std::size_t utf16Length(std::string_view utf8);

// Byte offset in `utf8` of UTF-16 index `index`: the start of the character that holds the
// index (an index inside a surrogate pair rounds down), the text's size past the end.
std::size_t utf8Offset(std::string_view utf8, std::size_t index);

}  // namespace nvx::platform
