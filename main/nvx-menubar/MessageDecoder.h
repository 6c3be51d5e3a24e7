#pragma once

#include <simdjson.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Message.h"

namespace nvx {

// Decodes one input line (framing already removed) into a Message, or rejects it whole.
//
// The JSON is strict RFC 8259 with an object at the top. Keys match exactly; unknown keys are
// ignored at every level; a missing key and null both mean absent; required strings, flags
// taking only true/false, and any failure anywhere rejects the whole line. Invalid UTF-8 is
// repaired to U+FFFD first.
//
// Duplicate keys: every occurrence must be valid, and the last one wins (as in most JSON
// readers, the parent's included).
//
// One decoder per reader: it keeps the parser's buffers between lines for speed, but no
// content; each line is decoded on its own.
class MessageDecoder {
 public:
  // Nesting limit of the parser: it bounds the recursion of everything that walks `children`.
  static constexpr std::size_t kMaxDepth = simdjson::DEFAULT_MAX_DEPTH;

  MessageDecoder();

  // The decoded message, or nothing when the line is to be dropped.
  std::optional<Message> decode(std::string_view line);

 private:
  simdjson::dom::parser parser_;
  std::string buffer_;  // the line, repaired and padded as the parser wants it
};

}  // namespace nvx
