#pragma once

#include <ostream>
#include <string>

namespace nvx::test {

// A row of a table test. A row type derives from it (struct Case : Row {...}, initialised as
// {"Name", ...}); listings and failures then show the row by its name, not as bytes.
struct Row {
  const char* name;
};
inline std::ostream& operator<<(std::ostream& os, const Row& row) {
  return os << row.name;
}

// Names each case of a parameterised table after its row:
// INSTANTIATE_TEST_SUITE_P(Table, SomeTest, testing::ValuesIn(kRows), rowName);
inline constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace nvx::test
