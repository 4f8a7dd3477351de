#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nvx {

inline constexpr std::string_view kAppTitle = "Nivalux Pro";
inline constexpr std::size_t kMinTextEntries = 301;  // entries 0..300

// The user-interface texts, indexed by number. Entry 0 is the application
// title. Entries beyond the table read as empty.
struct TextTable {
  std::vector<std::string> entries = std::vector<std::string>(kMinTextEntries);

  const std::string& operator[](std::size_t index) const;
  void Set(std::size_t index, std::string text);
};

// The built-in English texts, with the line-break rule applied and entry 0
// set to the application title.
TextTable DefaultTextTable();

// Replaces every "\n" (backslash, n) by CR LF, except where it begins "\num".
std::string ApplyLineBreaks(std::string_view text);

}  // namespace nvx
