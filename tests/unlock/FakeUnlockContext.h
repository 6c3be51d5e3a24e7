#pragma once

#include <string>
#include <thread>
#include <vector>

#include "platform/unlock/UnlockContext.h"

namespace nvx::test {

// An in-memory platform that records what the command asked of it.
class FakeUnlockContext final : public UnlockContext {
 public:
  // How the authentication ends: granted or refused from another thread after
  // evaluatePolicy() returned, or cancelled (refused) before it returns, on the caller's thread.
  enum class Outcome { kGranted, kRefused, kCancelled };

  FakeUnlockContext(bool available, long biometry, Outcome outcome)
      : available_(available), biometry_(biometry), outcome_(outcome) {}
  ~FakeUnlockContext() override {
    if (replier_.joinable()) replier_.join();
  }

  bool canEvaluatePolicy() override {
    ++queries;
    return available_;
  }

  long biometryType() override {
    biometryReadAfterQuery.push_back(queries > 0);
    return biometry_;
  }

  void evaluatePolicy(const std::string& reason, Reply reply) override {
    reasons.push_back(reason);
    if (outcome_ == Outcome::kCancelled) {
      reply(false);
      return;
    }
    const bool granted = outcome_ == Outcome::kGranted;
    replier_ = std::thread([reply = std::move(reply), granted] { reply(granted); });
  }

  int queries = 0;
  std::vector<bool> biometryReadAfterQuery;
  std::vector<std::string> reasons;

 private:
  bool available_;
  long biometry_;
  Outcome outcome_;
  std::thread replier_;
};

}  // namespace nvx::test
