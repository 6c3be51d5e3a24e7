#include "DbusInterfaces.h"

#include <memory>

#include "DesktopNames.h"
#include "GPtr.h"

namespace nvx::platform {

// The XML files' text, generated into the build tree from the files beside this one.
extern const char kStatusNotifierItemXml[];

namespace {

// The XML is ours and fixed: failing to parse it is a build defect, caught by every test.
GDBusInterfaceInfo* parse(const char* xml, const char* interface) {
  const std::unique_ptr<GDBusNodeInfo, GFree<g_dbus_node_info_unref>> node(
      g_dbus_node_info_new_for_xml(xml, nullptr));
  g_assert(node != nullptr);
  GDBusInterfaceInfo* info = g_dbus_node_info_lookup_interface(node.get(), interface);
  g_assert(info != nullptr);
  g_dbus_interface_info_ref(info);
  // Looked up on every call and property read: build GDBus's lookup tables once.
  g_dbus_interface_info_cache_build(info);
  return info;
}

}  // namespace

GDBusInterfaceInfo* statusNotifierItemInterface() {
  static GDBusInterfaceInfo* const info = parse(kStatusNotifierItemXml, dbus::sni::kItemInterface);
  return info;
}

}  // namespace nvx::platform
