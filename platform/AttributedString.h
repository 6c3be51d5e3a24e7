#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Geometry.h"
#include "Image.h"
#include "Roles.h"

namespace nvx::platform {

// A range of UTF-16 code units.
struct Utf16Range {
  std::size_t location = 0;
  std::size_t length = 0;
  std::size_t end() const { return location + length; }
  friend bool operator==(const Utf16Range&, const Utf16Range&) = default;
};

// An inline image standing on one U+FFFC character: a system symbol drawn at a point size in
// `bounds` relative to the baseline. `image` is the configured symbol image itself, for
// backends that draw images; `symbolName` and `pointSize` serve those that ask by name.
struct TextAttachment {
  std::shared_ptr<Image> image;
  std::string symbolName;
  double pointSize = 0;
  Rect bounds;
};

// An attachment is shared, never changed, and compares by identity, as the toolkits' do.
using Attachment = std::shared_ptr<const TextAttachment>;

// A tab stop; text after the tab ends at `location` (right alignment is the only one used).
struct TextTab {
  enum class Alignment { Right };
  Alignment alignment = Alignment::Right;
  double location = 0;
  friend bool operator==(const TextTab&, const TextTab&) = default;
};

// Paragraph layout: exactly the given tab stops, none of the default ones, no options.
struct ParagraphStyle {
  std::vector<TextTab> tabStops;
  friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

// One attribute value; its alternative names the attribute (font, foreground colour,
// attachment, paragraph style).
using Attribute = std::variant<FontRole, ColorRole, Attachment, ParagraphStyle>;

// The attribute names, in the order of Attribute's alternatives.
enum class AttributeKey { Font, ForegroundColor, Attachment, ParagraphStyle };

// One attribute over one range.
struct AttributeRun {
  Utf16Range range;
  Attribute value;
  AttributeKey key() const { return static_cast<AttributeKey>(value.index()); }
  friend bool operator==(const AttributeRun&, const AttributeRun&) = default;
};

// All attributes of one character, at most one value per name.
struct AttributeSet {
  std::optional<FontRole> font = {};
  std::optional<ColorRole> foregroundColor = {};
  Attachment attachment = {};
  std::optional<ParagraphStyle> paragraphStyle = {};
  friend bool operator==(const AttributeSet&, const AttributeSet&) = default;
};

// Text with attributes over UTF-16 ranges, a value. Like the toolkits' attributed strings,
// each character holds at most one value per attribute name, and runs are kept merged: per
// name, sorted, never empty, never two touching runs with equal values.
class AttributedString {
 public:
  // The object replacement character that carries an attachment.
  static constexpr std::string_view kAttachmentCharacter = "\xEF\xBF\xBC";

  AttributedString() = default;

  // `text` (UTF-8) with every attribute of `attributes` over all of it.
  explicit AttributedString(std::string text, std::vector<Attribute> attributes = {});

  // One U+FFFC carrying `attachment` and nothing else.
  static AttributedString withAttachment(TextAttachment attachment);
  static AttributedString withAttachment(Attachment attachment);

  // The characters, UTF-8.
  const std::string& string() const { return text_; }

  // Number of UTF-16 code units.
  std::size_t length() const { return length_; }

  // Makes room for `bytes` bytes of text in all, so that appending up to there allocates
  // nothing more.
  void reserve(std::size_t bytes);

  // Appends `text` (UTF-8) with every attribute of `attributes` over it.
  void append(std::string_view text, std::initializer_list<Attribute> attributes);

  // Sets `value` over `range` (clamped to the text), replacing that attribute name there.
  void addAttribute(Attribute value, Utf16Range range);

  // All runs, ordered by attribute name, then location.
  const std::vector<AttributeRun>& runs() const { return runs_; }

  // The attributes of the character at `index`; with `effectiveRange`, also the longest range
  // around it whose characters carry exactly the same set. Past the end: the empty set.
  AttributeSet attributesAt(std::size_t index, Utf16Range* effectiveRange = nullptr) const;

  // True when some character of `range` carries an attachment.
  bool containsAttachmentIn(Utf16Range range) const;

  friend bool operator==(const AttributedString&, const AttributedString&) = default;

 private:
  // Adds `run`, which overlaps no run of its name, in order, merged with equal neighbours.
  void placeRun(AttributeRun run);

  // Adds `value` over the `n` units about to be appended at the end of the text.
  void appendRun(const Attribute& value, std::size_t n);

  static constexpr std::size_t kTypicalRuns = 6;
  Utf16Range clamp(Utf16Range range) const;

  std::string text_;
  std::size_t length_ = 0;
  std::vector<AttributeRun> runs_;
};

}  // namespace nvx::platform
