#include "lang/table_text.h"

#include <map>

#include "lang/text_table.h"
#include "settings/text_encoding.h"

namespace nvx {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The reason a line is not an entry, or empty when it is one.
std::string ParseLine(std::string_view line, LanguageEntry& entry) {
  std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos) return "expected an index, a tab and the text";
  std::string_view index = line.substr(0, tab);
  if (index.empty() || index.find_first_not_of("0123456789") != std::string_view::npos) {
    return "the index '" + std::string(index) + "' is not a number";
  }
  if (index.size() > 5 || std::stoul(std::string(index)) >= kMaxTextEntries) {
    return "the index " + std::string(index) + " is above the largest, " +
           std::to_string(kMaxTextEntries - 1);
  }
  std::string_view text = line.substr(tab + 1);
  if (!IsValidUtf8(text)) return "the text is not valid UTF-8";
  entry = LanguageEntry{std::stoul(std::string(index)), std::string(text)};
  return {};
}

}  // namespace

TableText ParseTableText(std::string_view text) {
  TableText result;
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  std::map<std::size_t, std::size_t> lineOfIndex;
  for (std::size_t lineNumber = 1; !text.empty(); ++lineNumber) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#')) continue;

    LanguageEntry entry;
    std::string error = ParseLine(line, entry);
    if (error.empty()) {
      auto [it, added] = lineOfIndex.emplace(entry.index, lineNumber);
      if (!added)
        error = "index " + std::to_string(entry.index) + " already on line " +
                std::to_string(it->second);
    }
    if (!error.empty()) {
      result.errorLine = lineNumber;
      result.error = std::move(error);
      result.entries.clear();
      return result;
    }
    result.entries.push_back(std::move(entry));
  }
  return result;
}

std::string FormatTableText(std::span<const LanguageEntry> entries) {
  std::string out;
  for (const LanguageEntry& entry : entries) {
    out += std::to_string(entry.index) + "\t" + entry.text + "\n";
  }
  return out;
}

}  // namespace nvx
