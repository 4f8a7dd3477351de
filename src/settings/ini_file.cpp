#include "settings/ini_file.h"

#include <algorithm>

#include "base/text.h"
#include "platform/readable_file.h"

namespace nvx {
namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

enum class LineKind { Other, Section, Key };

struct LineInfo {
  LineKind kind = LineKind::Other;
  std::string_view name;
  std::string_view value;
};

LineInfo Classify(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t.front() == ';') return {};
  if (t.front() == '[') {
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return {};
    return {LineKind::Section, Trim(t.substr(1, close - 1)), {}};
  }
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view name = Trim(t.substr(0, eq));
  if (name.empty()) return {};
  return {LineKind::Key, name, Trim(t.substr(eq + 1))};
}

// The lines [header, end) of the first section with this name; header is npos when absent.
struct SectionSpan {
  std::size_t header = std::string::npos;
  std::size_t end = 0;
};

SectionSpan FindSection(const IniDocument& doc, std::string_view section) {
  SectionSpan span;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    LineInfo info = Classify(doc.lines[i].text);
    if (info.kind != LineKind::Section) continue;
    if (span.header != std::string::npos) {
      span.end = i;
      return span;
    }
    if (EqualsIgnoreCase(info.name, section)) span.header = i;
  }
  span.end = doc.lines.size();
  return span;
}

std::size_t FindKey(const IniDocument& doc, const SectionSpan& span, std::string_view key) {
  if (span.header == std::string::npos) return std::string::npos;
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    LineInfo info = Classify(doc.lines[i].text);
    if (info.kind == LineKind::Key && EqualsIgnoreCase(info.name, key)) return i;
  }
  return std::string::npos;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view FirstLine(std::string_view value) {
  return value.substr(0,
                      std::min(value.find_first_of(std::string_view("\r\n\0", 3)), value.size()));
}

void InsertLine(IniDocument& doc, std::size_t at, std::string text) {
  // The line before the new one needs an end of its own when it was the unterminated last line.
  if (at > 0 && doc.lines[at - 1].end.empty()) doc.lines[at - 1].end = doc.newLine;
  doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at),
                   IniLine{std::move(text), doc.newLine});
}

}  // namespace

IniDocument ParseIni(std::string_view bytes) {
  IniDocument doc;
  DecodedText decoded = DecodeText(bytes);
  doc.encoding = decoded.encoding;
  std::string_view text = decoded.text;
  bool styleKnown = false;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    std::string end;
    if (nl != std::string_view::npos) {
      bool crlf = !line.empty() && line.back() == '\r';
      if (crlf) line.remove_suffix(1);
      end = crlf ? "\r\n" : "\n";
      if (!styleKnown) doc.newLine = end;
      styleKnown = true;
    }
    doc.lines.push_back({std::string(line), std::move(end)});
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  }
  return doc;
}

std::string SerializeIni(const IniDocument& doc) {
  std::string text;
  for (const IniLine& line : doc.lines) text += line.text + line.end;
  bool lossless = true;
  std::string bytes = EncodeText(text, doc.encoding, &lossless);
  // A single-byte file cannot hold every character; rather than store '?', the file
  // becomes UTF-16 with a mark, which Windows' profile functions read as well.
  if (!lossless) bytes = EncodeText(text, TextEncoding::Utf16Le);
  return bytes;
}

IniDocument LoadIniFile(const std::filesystem::path& file) {
  const Result<std::string> read = platform::ReadRegularFile(file, kMaxIniFileBytes);
  return read ? ParseIni(*read) : IniDocument{};
}

std::optional<std::string> FindIniValue(const IniDocument& doc, std::string_view section,
                                        std::string_view key) {
  std::size_t at = FindKey(doc, FindSection(doc, section), key);
  if (at == std::string::npos) return std::nullopt;
  std::string_view value = StripQuotes(Classify(doc.lines[at].text).value);
  return std::string(FirstCharacters(value, kMaxValueCharacters));
}

void SetIniValue(IniDocument& doc, std::string_view section, std::string_view key,
                 std::string_view value) {
  value = FirstLine(value);
  SectionSpan span = FindSection(doc, section);
  if (span.header == std::string::npos) {
    InsertLine(doc, doc.lines.size(), "[" + std::string(section) + "]");
    InsertLine(doc, doc.lines.size(), std::string(key) + "=" + std::string(value));
    return;
  }
  std::size_t at = FindKey(doc, span, key);
  if (at != std::string::npos) {
    std::string& text = doc.lines[at].text;
    std::string indent = text.substr(0, text.find_first_not_of(kBlanks));
    text = indent + std::string(Classify(text).name) + "=" + std::string(value);
    return;
  }
  std::size_t last = span.header;
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    if (Classify(doc.lines[i].text).kind == LineKind::Key) last = i;
  }
  InsertLine(doc, last + 1, std::string(key) + "=" + std::string(value));
}

bool RemoveIniValue(IniDocument& doc, std::string_view section, std::string_view key) {
  bool removed = false;
  for (std::size_t at; (at = FindKey(doc, FindSection(doc, section), key)) != std::string::npos;) {
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(at));
    removed = true;
  }
  return removed;
}

Status WriteIniValues(const std::filesystem::path& file,
                      std::span<const IniAssignment> assignments) {
  // A file that is there but cannot be read must not be replaced by a document
  // holding only the new keys: that would lose every other setting in it.
  Result<std::string> bytes = ReadForRewrite(file, kMaxIniFileBytes);
  if (!bytes) return bytes.failure();
  IniDocument doc = ParseIni(*bytes);
  for (const IniAssignment& a : assignments) SetIniValue(doc, a.section, a.key, a.value);
  return ReplaceFileContents(file, SerializeIni(doc));
}

}  // namespace nvx
