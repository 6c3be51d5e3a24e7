#pragma once

#include <gio/gio.h>

#include <string>
#include <thread>

#include "platform/linux/glib/GPtr.h"
#include "platform/unlock/UnlockContext.h"

namespace nvx {

// Owner authentication through polkit, which shows the desktop's own dialog (password, or
// fingerprint where the PAM stack has it), and the sensor through fprintd. Fails closed: any
// bus error or malformed reply reads as unavailable, no sensor, or not granted.
class PolkitUnlockContext final : public UnlockContext {
 public:
  // Connects to the system bus the environment names; without one every answer is negative.
  PolkitUnlockContext();
  // Waits for the thread of a check whose reply has been delivered.
  ~PolkitUnlockContext() override;
  PolkitUnlockContext(const PolkitUnlockContext&) = delete;
  PolkitUnlockContext& operator=(const PolkitUnlockContext&) = delete;

  // True when the polkit authority answers and knows nvx-unlock's action.
  bool canEvaluatePolicy() override;
  // 1 when fprintd has a default device with prints enrolled for this user, else 0.
  long biometryType() override;
  // Asks polkit for the action with user interaction; `reason` cannot be passed (see the
  // action file), the dialog shows the action's message.
  void evaluatePolicy(const std::string& reason, Reply reply) override;

 private:
  GObjectPtr<GDBusConnection> bus_;
  std::thread check_;
};

}  // namespace nvx
