#pragma once

#include <cstdint>

// The D-Bus names nvx-unlock uses on the system bus, and its polkit action.
namespace nvx::unlockdbus {

inline constexpr char kPolkitName[] = "org.freedesktop.PolicyKit1";
inline constexpr char kPolkitPath[] = "/org/freedesktop/PolicyKit1/Authority";
inline constexpr char kPolkitInterface[] = "org.freedesktop.PolicyKit1.Authority";
inline constexpr char kEnumerateActions[] = "EnumerateActions";
inline constexpr char kCheckAuthorization[] = "CheckAuthorization";
inline constexpr char kUnixProcess[] = "unix-process";
inline constexpr std::uint32_t kAllowUserInteraction = 1;
inline constexpr char kCancellationId[] = "nvx-unlock";

// Must match unlock/data/org.norvane.unlock.policy.
inline constexpr char kActionId[] = "org.norvane.unlock";

inline constexpr char kFprintName[] = "net.reactivated.Fprint";
inline constexpr char kFprintManagerPath[] = "/net/reactivated/Fprint/Manager";
inline constexpr char kFprintManagerInterface[] = "net.reactivated.Fprint.Manager";
inline constexpr char kFprintDeviceInterface[] = "net.reactivated.Fprint.Device";
inline constexpr char kGetDefaultDevice[] = "GetDefaultDevice";
inline constexpr char kListEnrolledFingers[] = "ListEnrolledFingers";

}  // namespace nvx::unlockdbus
