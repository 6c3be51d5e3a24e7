#pragma once

#include <string>
#include <string_view>

namespace nvx::test {

// Messages of the agent's input, without the line's end. A menu with the tooltip "t", the JSON
// of its entries and `more` fields of its own (",\"shareText\":\"hi\"").
inline std::string menuJson(std::string_view title, std::string_view items = "",
                            std::string_view more = "") {
  return R"({"menu":{"title":")" + std::string(title) + R"(","tooltip":"t","items":[)" +
         std::string(items) + "]" + std::string(more) + "}}";
}
inline std::string noteJson(std::string_view title, std::string_view body) {
  return R"({"notify":{"title":")" + std::string(title) + R"(","body":")" + std::string(body) +
         R"("}})";
}

}  // namespace nvx::test

#ifdef NVX_MENUBAR_PATH  // the tests that start the built program
#include "ChildProcess.h"

namespace nvx::test {

// The built agent as a parent starts it, with `env` and none of the test's own: no switches,
// control channel, session bus or display.
inline ChildProcess::Options agentOptions(Env env = {{"NVX_DUMP_MENU", "1"}}) {
  return {
      .argv = {NVX_MENUBAR_PATH},
      .env = std::move(env),
      .unsetEnv = {"NVX_DUMP_MENU", "NVX_SHOW_MENU", "NVX_HEADLESS_CONTROL_FD",
                   "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY"}};
}

}  // namespace nvx::test
#endif
