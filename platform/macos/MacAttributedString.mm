#include "platform/macos/MacAttributedString.h"

#import <AppKit/AppKit.h>

#include <algorithm>
#include <type_traits>
#include <utility>
#include <variant>

#include "platform/macos/MacFonts.h"
#include "platform/macos/MacImage.h"
#include "platform/macos/MacStrings.h"

namespace nvx::platform {
namespace {

NSColor* colorForRole(ColorRole role) {
  switch (role) {
    case ColorRole::SecondaryLabel:
      return [NSColor secondaryLabelColor];
    case ColorRole::SystemGreen:
      return [NSColor systemGreenColor];
  }
  return [NSColor secondaryLabelColor];
}

NSTextAttachment* attachmentFor(const TextAttachment& attachment) {
  NSTextAttachment* a = [[NSTextAttachment alloc] init];
  a.image = MacImage::nsImageOf(attachment.image.get());
  const Rect& b = attachment.bounds;
  a.bounds = NSMakeRect(b.x, b.y, b.width, b.height);
  return a;
}

NSParagraphStyle* paragraphStyleFor(const ParagraphStyle& style) {
  NSMutableParagraphStyle* paragraph = [[NSMutableParagraphStyle alloc] init];
  NSMutableArray<NSTextTab*>* tabs = [NSMutableArray arrayWithCapacity:style.tabStops.size()];
  for (const TextTab& tab : style.tabStops) {
    // Right is the only alignment the interface has.
    [tabs addObject:[[NSTextTab alloc] initWithTextAlignment:NSTextAlignmentRight
                                                    location:tab.location
                                                     options:@{}]];
  }
  paragraph.tabStops = tabs;
  return paragraph;
}

// The AppKit attribute name and value of one run.
std::pair<NSAttributedStringKey, id> attributeFor(const Attribute& value) {
  return std::visit(
      [](const auto& v) -> std::pair<NSAttributedStringKey, id> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, FontRole>) {
          return {NSFontAttributeName, fontForRole(v)};
        } else if constexpr (std::is_same_v<T, ColorRole>) {
          return {NSForegroundColorAttributeName, colorForRole(v)};
        } else if constexpr (std::is_same_v<T, Attachment>) {
          return {NSAttachmentAttributeName, v ? attachmentFor(*v) : nil};
        } else {
          return {NSParagraphStyleAttributeName, paragraphStyleFor(v)};
        }
      },
      value);
}

}  // namespace

NSAttributedString* toNSAttributedString(const AttributedString& text) {
  NSMutableAttributedString* out =
      [[NSMutableAttributedString alloc] initWithString:toNSString(text.string())];
  // Both sides count UTF-16 units, so ranges carry over as they are; clamping only guards
  // against text that was not UTF-8.
  const NSUInteger length = out.length;
  for (const AttributeRun& run : text.runs()) {
    const NSUInteger location = std::min<NSUInteger>(run.range.location, length);
    const NSUInteger end = std::min<NSUInteger>(run.range.end(), length);
    if (end <= location) continue;
    auto [key, value] = attributeFor(run.value);
    if (value) [out addAttribute:key value:value range:NSMakeRange(location, end - location)];
  }
  return out;
}

}  // namespace nvx::platform
