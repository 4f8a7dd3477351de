#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

namespace nvx::test {

// One key read from, written to or removed from a file as it is on disk, with
// neither the settings lock nor a snapshot: for tests that look at the file itself.
inline std::string ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                std::string_view key) {
  return FindIniValue(LoadIniFile(file), section, key).value_or("");
}

inline Status WriteIniValue(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view value) {
  const IniAssignment one{section, key, value};
  return WriteIniValues(file, std::span(&one, 1));
}

inline Status DeleteIniValue(const std::filesystem::path& file, std::string_view section,
                             std::string_view key) {
  Result<std::string> bytes = ReadForRewrite(file, kMaxIniFileBytes);
  if (!bytes) return bytes.failure();
  IniDocument doc = ParseIni(*bytes);
  RemoveIniValue(doc, section, key);
  return ReplaceFileContents(file, SerializeIni(doc));
}

}  // namespace nvx::test
