#pragma once

#include <string>

namespace nvx {

// A new random (version 4) UUID as 36 upper-case hexadecimal digits and hyphens, 8-4-4-4-12.
std::string newUuidString();

}  // namespace nvx
