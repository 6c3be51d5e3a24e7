#pragma once

#ifdef __OBJC__

#import <Foundation/Foundation.h>

#include "platform/AttributedString.h"

namespace nvx::platform {

// `text` as an NSAttributedString: the same characters, and every run over the same UTF-16
// range with AppKit's attribute (fonts and colours by role as the system has them now, the
// attachment's image and bounds, the right-aligned tab stops).
NSAttributedString* toNSAttributedString(const AttributedString& text);

}  // namespace nvx::platform

#endif  // __OBJC__
