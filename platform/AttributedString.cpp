#include "AttributedString.h"

#include <algorithm>
#include <iterator>
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
  return withAttachment(std::make_shared<const TextAttachment>(std::move(attachment)));
}

AttributedString AttributedString::withAttachment(Attachment attachment) {
  return AttributedString(std::string(kAttachmentCharacter), {std::move(attachment)});
}

void AttributedString::append(const AttributedString& other) {
  for (const AttributeRun& run : other.runs_) {
    runs_.push_back({{run.range.location + length_, run.range.length}, run.value});
  }
  text_ += other.text_;
  length_ += other.length_;
  normalize();
}

void AttributedString::append(std::string_view text, std::initializer_list<Attribute> attributes) {
  const std::size_t n = utf16Length(text);
  for (const Attribute& value : attributes)
    runs_.push_back({{length_, n}, value});
  text_ += text;
  length_ += n;
  normalize();
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
  const std::size_t key = value.index();
  const std::size_t count = runs_.size();
  for (std::size_t i = 0; i < count; ++i) {
    Utf16Range& r = runs_[i].range;
    if (runs_[i].value.index() != key || r.location >= range.end() || range.location >= r.end()) {
      continue;
    }
    if (r.end() > range.end()) {
      if (r.location < range.location) {
        // The new range falls inside this run: its tail becomes a run of its own.
        runs_.push_back({{range.end(), r.end() - range.end()}, runs_[i].value});
      } else {
        runs_[i].range = {range.end(), r.end() - range.end()};
        continue;
      }
    }
    // runs_ may have grown: index again rather than through `r`.
    Utf16Range& kept = runs_[i].range;
    kept.length = kept.location < range.location ? range.location - kept.location : 0;
  }
  runs_.push_back({range, std::move(value)});
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
          if constexpr (std::is_same_v<T, Attachment>) set.attachment = value;
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
  // Runs of one name never overlap, so (name, location) orders them totally.
  std::sort(runs_.begin(), runs_.end(), [](const AttributeRun& a, const AttributeRun& b) {
    if (a.value.index() != b.value.index()) return a.value.index() < b.value.index();
    return a.range.location < b.range.location;
  });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    if (kept > 0) {
      AttributeRun& last = runs_[kept - 1];
      if (last.range.end() == runs_[i].range.location && last.value == runs_[i].value) {
        last.range.length += runs_[i].range.length;
        continue;
      }
    }
    if (kept != i) runs_[kept] = std::move(runs_[i]);
    ++kept;
  }
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(kept), runs_.end());
}

Utf16Range AttributedString::clamp(Utf16Range range) const {
  const std::size_t location = std::min(range.location, length_);
  return {location, std::min(range.length, length_ - location)};
}

}  // namespace nvx::platform
