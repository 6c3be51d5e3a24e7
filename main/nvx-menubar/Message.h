#pragma once

#include <optional>
#include <string>

#include "StatusMenu/StatusMenuModel.h"

namespace nvx {

// One input message of the parent: a menu description, a notification request, both or neither.
struct Message {
  // A request to post one user notification; both strings are required, empty is allowed.
  struct Note {
    std::string title{};
    std::string body{};
  };

  std::optional<StatusMenuModel> menu{};
  std::optional<Note> notify{};
};

}  // namespace nvx
