#include "platform/macos/MacNotificationCenter.h"

#import <Foundation/Foundation.h>
#import <UserNotifications/UserNotifications.h>

#include <memory>
#include <utility>

#include "platform/macos/MacStrings.h"

// The interface passes the system's own option bits.
static_assert(nvx::platform::kAuthorizationSound == UNAuthorizationOptionSound);
static_assert(nvx::platform::kAuthorizationAlert == UNAuthorizationOptionAlert);
static_assert(nvx::platform::kPresentationSound == UNNotificationPresentationOptionSound);
static_assert(nvx::platform::kPresentationBanner == UNNotificationPresentationOptionBanner);

// The notification centre's delegate: passes both callbacks on to the core's delegate.
@interface NVXNotificationDelegate : NSObject <UNUserNotificationCenterDelegate>
- (instancetype)initWithDelegate:(nvx::platform::NotificationDelegate*)delegate;
@end

@implementation NVXNotificationDelegate {
  nvx::platform::NotificationDelegate* delegate_;
}

- (instancetype)initWithDelegate:(nvx::platform::NotificationDelegate*)delegate {
  if ((self = [super init])) delegate_ = delegate;
  return self;
}

- (void)userNotificationCenter:(UNUserNotificationCenter*)center
       willPresentNotification:(UNNotification*)notification
         withCompletionHandler:(void (^)(UNNotificationPresentationOptions))completionHandler {
  completionHandler(
      static_cast<UNNotificationPresentationOptions>(delegate_->willPresentNotification()));
}

- (void)userNotificationCenter:(UNUserNotificationCenter*)center
    didReceiveNotificationResponse:(UNNotificationResponse*)response
             withCompletionHandler:(void (^)(void))completionHandler {
  delegate_->didReceiveNotificationResponse([completionHandler] { completionHandler(); });
}

@end

namespace nvx::platform {
namespace {

// The current centre, or nil when the process has no bundle: asking for it then raises an
// exception that would end the agent.
UNUserNotificationCenter* currentCenter() {
  if (![NSBundle mainBundle].bundleIdentifier) return nil;
  return [UNUserNotificationCenter currentNotificationCenter];
}

}  // namespace

void MacNotificationCenter::setDelegate(NotificationDelegate* delegate) {
  NVXNotificationDelegate* forwarder =
      delegate ? [[NVXNotificationDelegate alloc] initWithDelegate:delegate] : nil;
  currentCenter().delegate = forwarder;
  delegate_ = ObjcRef(forwarder);
}

void MacNotificationCenter::requestAuthorization(unsigned options,
                                                 std::function<void(bool granted)> reply) {
  UNUserNotificationCenter* center = currentCenter();
  if (!center) {
    reply(false);
    return;
  }
  auto pending = std::make_shared<std::function<void(bool)>>(std::move(reply));
  [center requestAuthorizationWithOptions:static_cast<UNAuthorizationOptions>(options)
                        completionHandler:^(BOOL granted, NSError*) {
                          (*pending)(granted);
                        }];
}

void MacNotificationCenter::add(NotificationRequest request) {
  @autoreleasepool {
    UNMutableNotificationContent* content = [[UNMutableNotificationContent alloc] init];
    content.title = toNSString(request.title);
    content.body = toNSString(request.body);
    if (request.defaultSound) content.sound = [UNNotificationSound defaultSound];
    [currentCenter() addNotificationRequest:[UNNotificationRequest
                                                requestWithIdentifier:toNSString(request.identifier)
                                                              content:content
                                                              trigger:nil]
                      withCompletionHandler:nil];
  }
}

}  // namespace nvx::platform
