#pragma once

#include <ostream>

namespace nvx::test {

// Table rows show as their names in test listings, not as bytes.
template <class Row>
requires requires(const Row& row) {
  row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

}  // namespace nvx::test
