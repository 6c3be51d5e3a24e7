#pragma once

#ifdef __OBJC__

#import <Foundation/Foundation.h>

#include <string>
#include <string_view>

namespace nvx::platform {

// `utf8` as an NSString. The core hands over only valid UTF-8 (input is repaired when it is
// decoded); anything else becomes the empty string rather than nil.
inline NSString* toNSString(std::string_view utf8) {
  NSString* s = [[NSString alloc] initWithBytes:utf8.data()
                                         length:utf8.size()
                                       encoding:NSUTF8StringEncoding];
  return s ? s : @"";
}

// The UTF-8 bytes of `s`, NUL characters included; empty for nil.
inline std::string toStdString(NSString* s) {
  std::string out([s lengthOfBytesUsingEncoding:NSUTF8StringEncoding], '\0');
  [s getBytes:out.data()
           maxLength:out.size()
          usedLength:nullptr
            encoding:NSUTF8StringEncoding
             options:0
               range:NSMakeRange(0, s.length)
      remainingRange:nullptr];
  return out;
}

}  // namespace nvx::platform

#endif  // __OBJC__
