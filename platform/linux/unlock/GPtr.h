#pragma once

#include <glib-object.h>

#include <memory>

namespace nvx {

// Frees a GLib-owned pointer with the function GLib names for it.
template <auto Free>
struct GFree {
  template <class T>
  void operator()(T* p) const {
    Free(p);
  }
};

template <class T>
using GObjectPtr = std::unique_ptr<T, GFree<g_object_unref>>;
using GVariantPtr = std::unique_ptr<GVariant, GFree<g_variant_unref>>;
using GCharPtr = std::unique_ptr<gchar, GFree<g_free>>;

}  // namespace nvx
