#include "lang/table_text.h"

#include <map>

#include "lang/text_table.h"
#include "settings/text_encoding.h"

namespace nvx {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A text holds no line ends of its own in the table: a real line break or
// carriage return is written "\x0A" or "\x0D" (unlike "\n", which the texts
// keep as two characters), and a "\x" of the text itself as "\x5Cx".
std::string EscapeText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      out += "\\x0A";
    } else if (text[i] == '\r') {
      out += "\\x0D";
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'x') {
      out += "\\x5C";
    } else {
      out += text[i];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string UnescapeText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
        HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

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
  entry = LanguageEntry{std::stoul(std::string(index)), UnescapeText(text)};
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
    out += std::to_string(entry.index) + "\t" + EscapeText(entry.text) + "\n";
  }
  return out;
}

}  // namespace nvx
