#include "platform/macos/MacMainLoop.h"

#import <Foundation/Foundation.h>

#include <cmath>
#include <memory>
#include <utility>

namespace nvx::platform {

void MacMainLoop::scheduleOnce(double seconds, std::function<void()> action) {
  // Held through a shared pointer so that copying the block does not copy the action.
  auto pending = std::make_shared<std::function<void()>>(std::move(action));
  const NSTimeInterval interval = std::isnan(seconds) || seconds < 0 ? 0 : seconds;
  NSTimer* timer = [NSTimer timerWithTimeInterval:interval
                                          repeats:NO
                                            block:^(NSTimer*) {
                                              (*pending)();
                                            }];
  [[NSRunLoop mainRunLoop] addTimer:timer forMode:NSRunLoopCommonModes];
}

}  // namespace nvx::platform
