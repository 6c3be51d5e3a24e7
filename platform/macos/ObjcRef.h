#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

#if defined(__OBJC__) && !__has_feature(objc_arc)
#error "Objective-C++ that holds ObjcRef is compiled with ARC (-fobjc-arc)"
#endif

namespace nvx::platform {

// A strong reference to an Objective-C object that a C++ header can hold: it is retained and
// released through CoreFoundation, which ARC code shares its counts with. Move-only, so each
// holder owns exactly one count.
class ObjcRef {
 public:
  ObjcRef() = default;
  ~ObjcRef() {
    if (object_) CFRelease(object_);
  }
  ObjcRef(ObjcRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ObjcRef& operator=(ObjcRef&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ObjcRef(const ObjcRef&) = delete;
  ObjcRef& operator=(const ObjcRef&) = delete;

  explicit operator bool() const { return object_ != nullptr; }

#ifdef __OBJC__
  // Holds `object`, or nothing for nil.
  explicit ObjcRef(id object) : object_((__bridge_retained CFTypeRef)object) {}

  // The object as the class the holder knows it to be; nil when empty.
  template <class T>
  T* as() const {
    return (__bridge T*)object_;
  }
#endif

 private:
  CFTypeRef object_ = nullptr;
};

}  // namespace nvx::platform
