#pragma once

#include <cassert>
#include <memory>

namespace nvx::platform {

// Takes `object` over as the backend's own type T. Objects come from the same Toolkit, so
// another type is a programming error: it asserts, and the object is dropped (null is
// returned). Null stays null.
template <class T, class Base>
std::unique_ptr<T> ownAs(std::unique_ptr<Base> object) {
  auto* own = dynamic_cast<T*>(object.get());
  assert((object == nullptr || own != nullptr) && "an object of another platform");
  if (own) object.release();
  return std::unique_ptr<T>(own);
}

}  // namespace nvx::platform
