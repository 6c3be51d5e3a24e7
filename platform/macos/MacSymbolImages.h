#pragma once

#include <memory>
#include <string_view>

#include "platform/SymbolImages.h"

namespace nvx::platform {

// SF Symbols, through NSImage imageWithSystemSymbolName:accessibilityDescription:.
class MacSymbolImages final : public SymbolImages {
 public:
  std::shared_ptr<Image> symbolImage(std::string_view name,
                                     std::string_view accessibilityDescription) override;
};

}  // namespace nvx::platform
