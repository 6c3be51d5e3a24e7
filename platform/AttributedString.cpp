#include "AttributedString.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "Utf16.h"

namespace nvx::platform {

AttributedString::AttributedString(std::string text, std::vector<Attribute> attributes)
    : text_(std::move(text)), length_(utf16Length(text_)) {
  runs_.reserve(attributes.size());
  for (Attribute& value : attributes)
    runs_.push_back({{0, length_}, std::move(value)});
  normalize();
}

AttributedString AttributedString::withAttachment(TextAttachment attachment) {
  return AttributedString(std::string(kAttachmentCharacter), {std::move(attachment)});
}

void AttributedString::append(const AttributedString& other) {
  insert(length_, other);
}

void AttributedString::insert(std::size_t index, const AttributedString& other) {
  index = std::min(index, length_);
  const std::size_t at = utf8Offset(text_, index);
  index = utf16Length(std::string_view(text_).substr(0, at));
  const std::size_t n = other.length_;

  std::vector<AttributeRun> shifted;
  shifted.reserve(runs_.size() + other.runs_.size() + 1);
  for (AttributeRun& run : runs_) {
    if (run.range.location >= index) {
      run.range.location += n;
    } else if (run.range.end() > index) {
      // The run straddles the insertion point: its tail moves past the new text.
      shifted.push_back({{index + n, run.range.end() - index}, run.value});
      run.range.length = index - run.range.location;
    }
  }
  std::move(shifted.begin(), shifted.end(), std::back_inserter(runs_));
  for (const AttributeRun& run : other.runs_) {
    runs_.push_back({{run.range.location + index, run.range.length}, run.value});
  }
  text_.insert(at, other.text_);
  length_ += n;
  normalize();
}

void AttributedString::addAttribute(Attribute value, Utf16Range range) {
  range = clamp(range);
  const auto key = static_cast<AttributeKey>(value.index());
  std::vector<AttributeRun> kept;
  kept.reserve(runs_.size() + 2);
  for (AttributeRun& run : runs_) {
    const bool overlaps = run.range.location < range.end() && range.location < run.range.end();
    if (run.key() != key || !overlaps) {
      kept.push_back(std::move(run));
      continue;
    }
    if (run.range.location < range.location) {
      kept.push_back({{run.range.location, range.location - run.range.location}, run.value});
    }
    if (run.range.end() > range.end()) {
      kept.push_back({{range.end(), run.range.end() - range.end()}, run.value});
    }
  }
  kept.push_back({range, std::move(value)});
  runs_ = std::move(kept);
  normalize();
}

std::vector<AttributeRun> AttributedString::runs(AttributeKey key) const {
  std::vector<AttributeRun> out;
  std::copy_if(runs_.begin(), runs_.end(), std::back_inserter(out),
               [key](const AttributeRun& run) { return run.key() == key; });
  return out;
}

AttributeSet AttributedString::attributesAt(std::size_t index, Utf16Range* effectiveRange) const {
  AttributeSet set;
  // Runs are merged per name, so every run boundary is a change of the set.
  std::size_t begin = 0;
  std::size_t end = length_;
  for (const AttributeRun& run : runs_) {
    if (run.range.end() <= index) {
      begin = std::max(begin, run.range.end());
      continue;
    }
    if (run.range.location > index) {
      end = std::min(end, run.range.location);
      continue;
    }
    begin = std::max(begin, run.range.location);
    end = std::min(end, run.range.end());
    std::visit(
        [&set](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, FontRole>) set.font = value;
          if constexpr (std::is_same_v<T, ColorRole>) set.foregroundColor = value;
          if constexpr (std::is_same_v<T, TextAttachment>) set.attachment = value;
          if constexpr (std::is_same_v<T, ParagraphStyle>) set.paragraphStyle = value;
        },
        run.value);
  }
  if (effectiveRange) {
    *effectiveRange = index < length_ ? Utf16Range{begin, end - begin} : Utf16Range{length_, 0};
  }
  return set;
}

bool AttributedString::containsAttachmentIn(Utf16Range range) const {
  range = clamp(range);
  return std::any_of(runs_.begin(), runs_.end(), [&](const AttributeRun& run) {
    return run.key() == AttributeKey::Attachment && run.range.location < range.end() &&
           range.location < run.range.end();
  });
}

void AttributedString::normalize() {
  std::erase_if(runs_, [](const AttributeRun& run) { return run.range.length == 0; });
  std::stable_sort(runs_.begin(), runs_.end(), [](const AttributeRun& a, const AttributeRun& b) {
    if (a.value.index() != b.value.index()) return a.value.index() < b.value.index();
    return a.range.location < b.range.location;
  });
  std::vector<AttributeRun> merged;
  merged.reserve(runs_.size());
  for (AttributeRun& run : runs_) {
    if (!merged.empty() && merged.back().range.end() == run.range.location &&
        merged.back().value == run.value) {
      merged.back().range.length += run.range.length;
    } else {
      merged.push_back(std::move(run));
    }
  }
  runs_ = std::move(merged);
}

Utf16Range AttributedString::clamp(Utf16Range range) const {
  const std::size_t location = std::min(range.location, length_);
  return {location, std::min(range.length, length_ - location)};
}

}  // namespace nvx::platform
