#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_replace.h"
#include "settings/text_encoding.h"

namespace nvx {

// An INI file as Windows' profile functions see it, kept line by line so that a
// write changes only the one line it must: comments, blank lines, key order,
// spelling and line ends stay as the user or Windows left them.
struct IniLine {
  std::string text;  // UTF-8, without its line end
  std::string end;   // "\r\n", "\n", or "" on a last line that has none
};

struct IniDocument {
  TextEncoding encoding = TextEncoding::Utf8;
  std::string newLine = "\n";  // the style for added lines: the file's first line end
  std::vector<IniLine> lines;
};

inline constexpr std::size_t kMaxValueCharacters = 255;
// Settings and preset files are read whole up to this size; a larger one is
// refused (it reads as empty and is never written over). Thousands of custom
// papers in UTF-16 stay far below it.
inline constexpr std::size_t kMaxIniFileBytes = 4 << 20;

IniDocument ParseIni(std::string_view bytes);
std::string SerializeIni(const IniDocument& document);
// A missing file, and one that is not a regular file or is too large, reads as empty.
IniDocument LoadIniFile(const std::filesystem::path& file);

// Look-up ignores ASCII letter case; the first section and the first key of a name
// win. The value is trimmed, loses one pair of enclosing quotes and is cut to 255
// characters. nullopt when the key is not there.
std::optional<std::string> FindIniValue(const IniDocument& document, std::string_view section,
                                        std::string_view key);

// A new key goes after the last key of its section, a new section at the end.
// A value stops at its first line break, so it can never add lines of its own.
void SetIniValue(IniDocument& document, std::string_view section, std::string_view key,
                 std::string_view value);
// Removes every line of the key in its section; false when there was none.
bool RemoveIniValue(IniDocument& document, std::string_view section, std::string_view key);

struct IniAssignment {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

// Reads the file afresh and replaces it atomically with the keys set; a file
// that is there but cannot be read is left as it is.
Status WriteIniValues(const std::filesystem::path& file,
                      std::span<const IniAssignment> assignments);

}  // namespace nvx
