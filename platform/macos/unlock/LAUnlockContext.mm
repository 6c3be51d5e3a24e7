// nvx-unlock's backend on macOS: one LAContext for the query and the authentication, both with
// LAPolicyDeviceOwnerAuthentication (biometrics, a paired watch or the account password).
#import <Foundation/Foundation.h>
#import <LocalAuthentication/LocalAuthentication.h>
#include <dispatch/dispatch.h>

#include "platform/macos/unlock/LAUnlockContext.h"

namespace nvx {
namespace {

class LAUnlockContext final : public UnlockContext {
 public:
  LAUnlockContext() = default;
  LAUnlockContext(const LAUnlockContext&) = delete;
  LAUnlockContext& operator=(const LAUnlockContext&) = delete;

  bool canEvaluatePolicy() override {
    NSError* err = nil;  // required by the call, never read
    return [ctx_ canEvaluatePolicy:LAPolicyDeviceOwnerAuthentication error:&err];
  }

  long biometryType() override { return static_cast<long>(ctx_.biometryType); }

  void evaluatePolicy(const std::string& reason, Reply reply) override {
    NSString* text = [NSString stringWithUTF8String:reason.c_str()];
    // LAContext throws on a nil or empty reason; treat it as refused instead.
    if (text.length == 0) {
      reply(false);
      return;
    }
    [ctx_ evaluatePolicy:LAPolicyDeviceOwnerAuthentication
         localizedReason:text
                   reply:^(BOOL success, NSError*) {
                     reply(success);  // the error is not inspected: cancel reads as failure
                   }];
  }

 private:
  LAContext* ctx_ = [[LAContext alloc] init];
};

class DispatchSemaphore final : public Semaphore {
 public:
  DispatchSemaphore() = default;
  DispatchSemaphore(const DispatchSemaphore&) = delete;
  DispatchSemaphore& operator=(const DispatchSemaphore&) = delete;

  void wait() override { dispatch_semaphore_wait(done_, DISPATCH_TIME_FOREVER); }
  void signal() override { dispatch_semaphore_signal(done_); }

 private:
  dispatch_semaphore_t done_ = dispatch_semaphore_create(0);
};

}  // namespace

std::unique_ptr<UnlockContext> makeLAUnlockContext() { return std::make_unique<LAUnlockContext>(); }

std::unique_ptr<Semaphore> makeDispatchSemaphore() { return std::make_unique<DispatchSemaphore>(); }

}  // namespace nvx
