#pragma once

#include <memory>

#include "Geometry.h"

namespace nvx::platform {

// How a system symbol image is drawn: at this point size, regular weight.
struct SymbolConfiguration {
  double pointSize = 0;
};

// A bitmap or vector image. Identity is object identity: two images are the same image only
// when they are the same object, whatever their content.
class Image {
 public:
  virtual ~Image() = default;

  // The size at which the image is drawn.
  virtual Size size() const = 0;
  virtual void setSize(Size size) = 0;

  // A template image is drawn by the system in the monochrome style of its surroundings.
  virtual bool isTemplate() const = 0;
  virtual void setTemplate(bool isTemplate) = 0;

  // A new, independent image with the same content and settings; null when none can be had.
  virtual std::shared_ptr<Image> copy() const = 0;

  // A new symbol image drawn with `configuration`; null when this image cannot take one.
  virtual std::shared_ptr<Image> withSymbolConfiguration(
      const SymbolConfiguration& configuration) const = 0;
};

}  // namespace nvx::platform
