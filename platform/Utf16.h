#pragma once

#include <cstddef>
#include <string_view>

// Attributed strings keep their text as UTF-8 but count lengths and ranges in UTF-16 code
// units, as the desktop toolkits do. Bytes that are not valid UTF-8 count one unit each.
namespace nvx::platform {

// Number of UTF-16 code units of the UTF-8 text; characters outside the BMP count two.
std::size_t utf16Length(std::string_view utf8);

}  // namespace nvx::platform
