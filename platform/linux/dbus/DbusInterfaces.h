#pragma once

#include <gio/gio.h>

namespace nvx::platform {

// The interfaces the desktop backend exports, parsed once from the XML kept beside this file
// (StatusNotifierItem.xml) and alive for the rest of the process.
GDBusInterfaceInfo* statusNotifierItemInterface();

// The handlers of an exported object: method calls and property reads (nothing is writable).
constexpr GDBusInterfaceVTable exportVtable(GDBusInterfaceMethodCallFunc call,
                                            GDBusInterfaceGetPropertyFunc get) {
  return {call, get, nullptr, {}};
}

}  // namespace nvx::platform
