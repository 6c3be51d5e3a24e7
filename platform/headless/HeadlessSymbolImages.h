#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SymbolImages.h"

namespace nvx::platform {

// Symbols from a configurable set of names, matched byte for byte. A desktop backend asks
// its icon theme or the system instead.
class HeadlessSymbolImages final : public SymbolImages {
 public:
  // Natural size of every symbol image.
  static constexpr Size kSymbolSize = {16, 16};

  // The default set: "bell", "book", "checkmark", "clock", "flame", "gear", "person",
  // "square.and.arrow.up", "star", "star.fill".
  static std::vector<std::string> defaultNames();

  explicit HeadlessSymbolImages(const std::vector<std::string>& names = defaultNames());

  // A new symbol image for a known name; null for any other name, the empty one included.
  std::shared_ptr<Image> symbolImage(std::string_view name,
                                     std::string_view accessibilityDescription) override;

  // Replaces the set of known names.
  void setNames(const std::vector<std::string>& names);

 private:
  std::set<std::string, std::less<>> names_;
};

}  // namespace nvx::platform
