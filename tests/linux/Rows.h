#pragma once

#include <ostream>

namespace nvx::test {
// The unnamed namespace where this folder's tests keep their table rows, so that GoogleTest
// finds this by argument-dependent lookup.
namespace {

// Table rows show as their names in test listings, not as bytes.
template <class Row>
requires requires(const Row& row) {
  row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

}  // namespace
}  // namespace nvx::test
