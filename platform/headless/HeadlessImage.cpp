#include "HeadlessImage.h"

#include <utility>

namespace nvx::platform {

HeadlessImage::HeadlessImage(std::string name, Size size, Kind kind)
    : name_(std::move(name)), size_(size), kind_(kind) {}

std::shared_ptr<Image> HeadlessImage::copy() const {
  return std::make_shared<HeadlessImage>(*this);
}

std::shared_ptr<Image> HeadlessImage::withSymbolConfiguration(
    const SymbolConfiguration& configuration) const {
  if (kind_ != Kind::Symbol) return nullptr;
  auto configured = std::make_shared<HeadlessImage>(*this);
  configured->pointSize_ = configuration.pointSize;
  return configured;
}

}  // namespace nvx::platform
