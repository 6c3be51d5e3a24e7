#pragma once

#include <functional>
#include <string>

namespace nvx {

// The biometry type of a fingerprint sensor; the only one for which `check` answers "yes".
inline constexpr long kBiometryTouchId = 1;

// The platform's owner-authentication service for one run. Both the query and the
// authentication use the device-owner policy: biometrics or the account password.
class UnlockContext {
 public:
  using Reply = std::function<void(bool success)>;

  virtual ~UnlockContext() = default;

  // Whether the platform will authenticate the owner now; fills in biometryType().
  virtual bool canEvaluatePolicy() = 0;

  // The sensor found by canEvaluatePolicy(): 0 none, 1 fingerprint, 2 face, 4 optic.
  virtual long biometryType() = 0;

  // Shows the platform's own prompt and returns at once; `reply` runs exactly once, on any
  // thread, possibly before this returns.
  virtual void evaluatePolicy(const std::string& reason, Reply reply) = 0;
};

}  // namespace nvx
