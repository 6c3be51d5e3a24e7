#pragma once

#include <string_view>

namespace nvx {

// The one text comparison of the agent: true when the two UTF-8 texts are canonically
// equivalent (equal canonical decompositions). Letter case counts; compatibility forms such
// as U+FB01 and "fi" are different texts.
bool sameText(std::string_view a, std::string_view b);

}  // namespace nvx
