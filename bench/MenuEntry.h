#pragma once

#include <string>
#include <string_view>

namespace nvx::bench {

// One menu entry as the parent writes it: `fields` (the id and texts, already JSON) followed by
// flags in all three states, chosen from `i`, and `children` (JSON items) when given.
inline std::string menuEntry(int i, std::string_view fields, std::string_view children) {
  std::string s = "{" + std::string(fields);
  if (i % 3 != 0) s += i % 3 == 1 ? ",\"checked\":true" : ",\"checked\":false";
  if (i % 4 == 0) s += ",\"bold\":true";
  s += i % 2 ? ",\"ready\":true" : ",\"ready\":null";
  if (i % 5 == 0) s += ",\"disabled\":false";
  if (!children.empty()) s += ",\"children\":[" + std::string(children) + "]";
  return s + "}";
}

}  // namespace nvx::bench
