#pragma once

#include <string>
#include <string_view>

namespace nvx {

// Appends `in` to `out` with every maximal invalid subpart (Unicode's recommended practice
// for U+FFFD substitution) replaced by one U+FFFD. Valid UTF-8 is copied unchanged.
void appendRepairedUtf8(std::string_view in, std::string& out);

}  // namespace nvx
