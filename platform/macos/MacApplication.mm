#include "platform/macos/MacApplication.h"

#import <AppKit/AppKit.h>
#include <CoreServices/CoreServices.h>

#include <utility>

#include "platform/macos/MacImage.h"
#include "platform/macos/MacStrings.h"

// The application's delegate: passes the launch callback on to the core's delegate.
@interface NVXApplicationDelegate : NSObject <NSApplicationDelegate>
- (instancetype)initWithDelegate:(nvx::platform::ApplicationDelegate*)delegate;
@end

@implementation NVXApplicationDelegate {
  nvx::platform::ApplicationDelegate* delegate_;
}

- (instancetype)initWithDelegate:(nvx::platform::ApplicationDelegate*)delegate {
  if ((self = [super init])) delegate_ = delegate;
  return self;
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
  delegate_->applicationDidFinishLaunching();
}

@end

namespace nvx::platform {
namespace {

class MacRunningApplication final : public RunningApplication {
 public:
  explicit MacRunningApplication(NSRunningApplication* application) : application_(application) {}
  NSRunningApplication* nsApplication() const { return application_.as<NSRunningApplication>(); }

 private:
  ObjcRef application_;
};

}  // namespace

MacApplication::MacApplication() {
  [NSApplication sharedApplication];
  // Cocoa turns on its own locking only once a thread has been started through NSThread; the
  // core's reader is a plain thread, so start (and end) one NSThread here first.
  if (![NSThread isMultiThreaded])
    [NSThread detachNewThreadWithBlock:^{
    }];
}

MacApplication::~MacApplication() = default;

void MacApplication::setDelegate(ApplicationDelegate* delegate) {
  NVXApplicationDelegate* forwarder =
      delegate ? [[NVXApplicationDelegate alloc] initWithDelegate:delegate] : nil;
  NSApp.delegate = forwarder;
  delegate_ = ObjcRef(forwarder);
}

void MacApplication::setActivationPolicyAccessory() {
  [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory];
}

void MacApplication::run() { [NSApp run]; }

void MacApplication::terminate() { [NSApp terminate:nil]; }

void MacApplication::post(std::function<void()> task) {
  // Called on the reader thread and on notification reply threads, which have no autorelease
  // pool of their own to drain. CFRunLoop's calls are safe from any thread, NSRunLoop's are
  // not; the wake-up makes a sleeping main loop run the task at once.
  @autoreleasepool {
    // Held through a shared pointer so that copying the block does not copy the task.
    auto pending = std::make_shared<std::function<void()>>(std::move(task));
    CFRunLoopPerformBlock(CFRunLoopGetMain(), kCFRunLoopCommonModes, ^{
      (*pending)();
    });
    CFRunLoopWakeUp(CFRunLoopGetMain());
  }
}

std::unique_ptr<RunningApplication> MacApplication::runningApplication(int pid) {
  NSRunningApplication* application =
      [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
  if (!application) return nullptr;
  return std::make_unique<MacRunningApplication>(application);
}

void MacApplication::yieldActivation(const RunningApplication& application) {
  // Running applications come from runningApplication(), so they are ours.
  [NSApp yieldActivationToApplication:static_cast<const MacRunningApplication&>(application)
                                          .nsApplication()];
}

std::shared_ptr<Image> MacApplication::bundleImage(std::string_view name) {
  return MacImage::wrap([[NSBundle mainBundle] imageForResource:toNSString(name)]);
}

void MacApplication::registerBundle() {
  LSRegisterURL((__bridge CFURLRef)[NSBundle mainBundle].bundleURL, false);
}

}  // namespace nvx::platform
