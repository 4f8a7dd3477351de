#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nvx {

// One text of a language file: its table index and its text (UTF-8, "\n"
// still two characters).
struct LanguageEntry {
  std::size_t index = 0;
  std::string text;

  bool operator==(const LanguageEntry&) const = default;
};

// "<index>N<text>" as UTF-16LE bytes in standard Base64 with "=" filler. A text
// that ends in "*" is wrapped in one asterisk at each end, which the reader
// removes again.
std::string EncodeEntry(const LanguageEntry& entry);

// Reads one encoded line; tolerant of any input. Characters outside the Base64
// alphabet count as 0 and a short last group as if filled with 0. Empty when
// the decoded text holds no "N" or a negative index. An index too large to
// count saturates, so callers see it as beyond their table.
std::optional<LanguageEntry> DecodeEntry(std::string_view line);

}  // namespace nvx
