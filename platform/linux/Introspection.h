#pragma once

#include <gio/gio.h>

namespace nvx::platform {

// The interfaces the desktop backend exports, parsed once from the XML kept beside this file
// (StatusNotifierItem.xml, DbusMenu.xml) and alive for the rest of the process.
GDBusInterfaceInfo* statusNotifierItemInterface();
GDBusInterfaceInfo* dbusMenuInterface();

}  // namespace nvx::platform
