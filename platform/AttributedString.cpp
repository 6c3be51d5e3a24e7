#include "AttributedString.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <utility>

#include "Utf16.h"

namespace nvx::platform {

AttributedString::AttributedString(std::string text, std::vector<Attribute> attributes)
    : text_(std::move(text)), length_(utf16Length(text_)) {
  for (Attribute& value : attributes)
    addAttribute(std::move(value), {0, length_});
}

AttributedString AttributedString::withAttachment(TextAttachment attachment) {
  return withAttachment(std::make_shared<const TextAttachment>(std::move(attachment)));
}

AttributedString AttributedString::withAttachment(Attachment attachment) {
  AttributedString s;
  s.text_ = kAttachmentCharacter;
  s.length_ = 1;
  s.placeRun({{0, 1}, std::move(attachment)});
  return s;
}

void AttributedString::reserve(std::size_t bytes) {
  text_.reserve(bytes);
}

void AttributedString::append(std::string_view text, std::initializer_list<Attribute> attributes) {
  const std::size_t n = utf16Length(text);
  if (n > 0) {
    for (const Attribute& value : attributes)
      appendRun(value, n);
  }
  text_ += text;
  length_ += n;
}

void AttributedString::appendRun(const Attribute& value, std::size_t n) {
  if (runs_.capacity() == 0) runs_.reserve(kTypicalRuns);
  // Every run ends by the end of the text, so the new one goes after all runs of its name and
  // can only continue the last of them; the value is copied only when it cannot.
  const std::size_t key = value.index();
  auto at = std::find_if(runs_.begin(), runs_.end(),
                         [key](const AttributeRun& r) { return r.value.index() > key; });
  if (at != runs_.begin()) {
    AttributeRun& last = *std::prev(at);
    if (last.value.index() == key && last.range.end() == length_ && last.value == value) {
      last.range.length += n;
      return;
    }
  }
  runs_.insert(at, AttributeRun{{length_, n}, value});
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
  std::erase_if(runs_, [](const AttributeRun& run) { return run.range.length == 0; });
  placeRun({range, std::move(value)});
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

void AttributedString::placeRun(AttributeRun run) {
  if (run.range.length == 0) return;
  // A styled title has a handful of runs: room for them at once saves regrowing.
  if (runs_.capacity() == 0) runs_.reserve(kTypicalRuns);
  const std::size_t key = run.value.index();
  // Runs are few: a linear search for the place after every run that orders before this one.
  auto at = std::find_if(runs_.begin(), runs_.end(), [&](const AttributeRun& r) {
    return r.value.index() > key ||
           (r.value.index() == key && r.range.location > run.range.location);
  });
  auto touches = [&](const AttributeRun& a, const AttributeRun& b) {
    return a.value.index() == b.value.index() && a.range.end() == b.range.location &&
           a.value == b.value;
  };
  if (at != runs_.begin() && touches(*std::prev(at), run)) {
    AttributeRun& before = *std::prev(at);
    before.range.length += run.range.length;
    if (at != runs_.end() && touches(before, *at)) {
      before.range.length += at->range.length;
      runs_.erase(at);
    }
    return;
  }
  if (at != runs_.end() && touches(run, *at)) {
    at->range = {run.range.location, run.range.length + at->range.length};
    return;
  }
  runs_.insert(at, std::move(run));
}

Utf16Range AttributedString::clamp(Utf16Range range) const {
  const std::size_t location = std::min(range.location, length_);
  return {location, std::min(range.length, length_ - location)};
}

}  // namespace nvx::platform
