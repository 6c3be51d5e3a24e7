#include "HeadlessSymbolImages.h"

#include "HeadlessImage.h"

namespace nvx::platform {

std::vector<std::string> HeadlessSymbolImages::defaultNames() {
  return {"bell", "book",   "checkmark",           "clock", "flame",
          "gear", "person", "square.and.arrow.up", "star",  "star.fill"};
}

HeadlessSymbolImages::HeadlessSymbolImages(const std::vector<std::string>& names) {
  setNames(names);
}

std::shared_ptr<Image> HeadlessSymbolImages::symbolImage(std::string_view name, std::string_view) {
  if (!names_.contains(name)) return nullptr;
  return std::make_shared<HeadlessImage>(std::string(name), kSymbolSize,
                                         HeadlessImage::Kind::Symbol);
}

void HeadlessSymbolImages::setNames(const std::vector<std::string>& names) {
  names_ = std::set<std::string, std::less<>>(names.begin(), names.end());
}

}  // namespace nvx::platform
