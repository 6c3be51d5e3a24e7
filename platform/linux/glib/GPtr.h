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
using GErrorPtr = std::unique_ptr<GError, GFree<g_error_free>>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, GFree<g_main_loop_unref>>;
using GAsyncQueuePtr = std::unique_ptr<GAsyncQueue, GFree<g_async_queue_unref>>;

// A source attached to a context: destroyed (detached) and released together.
inline void destroySource(GSource* source) {
  g_source_destroy(source);
  g_source_unref(source);
}
using GSourcePtr = std::unique_ptr<GSource, GFree<destroySource>>;

}  // namespace nvx
