#pragma once

namespace nvx::platform {

class MenuItem;

// What a menu entry's action reaches when the user chooses the entry. Entries refer to their
// target without owning it; the target outlives the entries it is set on.
class ActionTarget {
 public:
  // The user chose `sender`, an enabled entry whose action is MenuAction::Chosen.
  virtual void chosen(MenuItem& sender) = 0;

 protected:
  ~ActionTarget() = default;
};

}  // namespace nvx::platform
