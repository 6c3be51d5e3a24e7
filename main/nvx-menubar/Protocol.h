#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

// The words of the agent's protocol with its parent, in one place.
namespace nvx::protocol {

// Keys of an input message and of its note.
inline constexpr std::string_view kMenu = "menu";
inline constexpr std::string_view kNotify = "notify";
inline constexpr std::string_view kNoteTitle = "title";
inline constexpr std::string_view kNoteBody = "body";

// Keys of a menu description.
inline constexpr std::string_view kTitle = "title";
inline constexpr std::string_view kTooltip = "tooltip";
inline constexpr std::string_view kItems = "items";
inline constexpr std::string_view kShareText = "shareText";
inline constexpr std::string_view kIconStyle = "iconStyle";

// Keys of a menu entry.
inline constexpr std::string_view kId = "id";
inline constexpr std::string_view kText = "text";
inline constexpr std::string_view kDetail = "detail";
inline constexpr std::string_view kIcon = "icon";
inline constexpr std::string_view kChecked = "checked";
inline constexpr std::string_view kBold = "bold";
inline constexpr std::string_view kReady = "ready";
inline constexpr std::string_view kChildren = "children";
inline constexpr std::string_view kDisabled = "disabled";

// Event texts the agent itself produces; every other event line is a menu entry's id.
inline constexpr std::string_view kEventOpen = "open";
inline constexpr std::string_view kEventCard = "card";

// Environment switches, on only when exactly "1".
inline constexpr const char* kEnvShowMenu = "NVX_SHOW_MENU";
inline constexpr const char* kEnvDumpMenu = "NVX_DUMP_MENU";

// The variable naming the socket of the control channel, through which a program plays the
// user of the agent without a desktop (the channel's words are the in-memory platform's).
inline constexpr const char* kEnvControlFd = "NVX_HEADLESS_CONTROL_FD";

// Event texts for which the parent is not allowed to activate first.
inline constexpr std::array<std::string_view, 4> quietActions = {"alerts", "share", "rate",
                                                                 "website"};

// Exact (byte-for-byte) membership in quietActions.
inline bool isQuietAction(std::string_view text) {
  return std::find(quietActions.begin(), quietActions.end(), text) != quietActions.end();
}

// One event line: the text unchanged (no quoting, no escaping) and one line feed.
inline std::string eventLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  return line;
}

}  // namespace nvx::protocol
