#pragma once

#include <memory>
#include <string_view>

#include "Image.h"

namespace nvx::platform {

// The system's named symbol images (icon theme names on Linux, SF Symbols on macOS).
class SymbolImages {
 public:
  virtual ~SymbolImages() = default;

  // The symbol called `name`, described as `accessibilityDescription` to assistive
  // technology; null when the system has no symbol of that name. The image may be shared
  // between calls: callers configure a copy of it (withSymbolConfiguration), never it.
  virtual std::shared_ptr<Image> symbolImage(std::string_view name,
                                             std::string_view accessibilityDescription) = 0;
};

}  // namespace nvx::platform
