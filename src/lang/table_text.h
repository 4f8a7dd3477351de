#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lang/entry_codec.h"

namespace nvx {

// The plain-text form translators edit: one "index<TAB>text" per line, UTF-8,
// "\n" written as backslash and n. A real line break or carriage return in a
// text is written "\x0A" or "\x0D", and a "\x" of the text "\x5Cx", so every
// text comes back as it was. Empty lines and lines starting with "#" are skipped.
struct TableText {
  std::vector<LanguageEntry> entries;  // in file order
  std::size_t errorLine = 0;           // 1-based; 0 when the text is sound
  std::string error;
};

TableText ParseTableText(std::string_view text);

// One line per entry, LF-ended, in the order given.
std::string FormatTableText(std::span<const LanguageEntry> entries);

}  // namespace nvx
