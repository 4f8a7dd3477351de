#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/product.h"

namespace nvx {

inline constexpr std::string_view kAppTitle = kProductTitle;
inline constexpr std::size_t kMinTextEntries = 301;  // entries 0..300
// No language needs more; a larger declared count in a file is cut to this.
inline constexpr std::size_t kMaxTextEntries = 10000;

// The user-interface texts, indexed by number. Entry 0 is the application
// title. Entries beyond the table read as empty.
struct TextTable {
  std::vector<std::string> entries = std::vector<std::string>(kMinTextEntries);

  const std::string& operator[](std::size_t index) const;
  // Grows the table when needed; indexes from kMaxTextEntries on are ignored.
  void Set(std::size_t index, std::string text);

  bool operator==(const TextTable&) const = default;
};

// The built-in English texts, with the line-break rule applied and entry 0
// set to the application title.
TextTable DefaultTextTable();

// The same texts as they are written in a language file: "\n" still two
// characters.
TextTable RawDefaultTextTable();

// Replaces every "\n" (backslash, n) by CR LF, except where it begins "\num".
std::string ApplyLineBreaks(std::string_view text);

// Applies the rule above to every entry.
void ApplyLineBreaks(TextTable& table);

}  // namespace nvx
