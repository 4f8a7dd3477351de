#include "lang/language_file.h"

#include <algorithm>
#include <map>
#include <optional>

#include "base/product.h"
#include "base/text.h"
#include "platform/readable_file.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLanguageKeyWritten = "language";
constexpr std::string_view kOldExtension = ".lang";
constexpr std::string_view kHeaderV1 = "Starvane Language file V1";
constexpr std::string_view kHeaderV2 = "Starvane Language file V2";
constexpr std::string_view kEndMarker = ">>>";
constexpr std::string_view kFileCommentBefore = "Written by ";
constexpr std::size_t kLastDefaultEntry = kMinTextEntries - 1;

constexpr std::string_view kMissingSuffix =
    " Missing\r\nLoading defaults - Please set language once open";
constexpr std::string_view kNoSelectionText =
    "Language file missing\r\nLoading defaults - Please set language again";
constexpr std::string_view kOutdatedTitle = "Starvane";
constexpr std::string_view kOutdatedText =
    "The Language file is out of date, please reinstall\r\nLoading Defaults";

// Longer lines are cut: no entry comes near it, and a damaged file must not
// make us hold gigabytes.
constexpr std::size_t kMaxLineBytes = 1 << 20;
// Ten thousand entries of any real length fit many times over.
constexpr std::size_t kMaxLanguageFileBytes = 16 << 20;

// Reads LF- or CR LF-ended lines of a language file read whole; a file that is
// not a regular one, or is too large, is not open and has no lines.
class LineReader {
 public:
  explicit LineReader(const fs::path& file)
      : file_(platform::ReadRegularFile(file, kMaxLanguageFileBytes)) {}
  bool IsOpen() const { return file_.ok(); }

  std::optional<std::string> Next() {
    const std::string_view text = file_ ? std::string_view(*file_) : std::string_view();
    if (pos_ >= text.size()) return std::nullopt;
    const std::size_t end = std::min(text.find('\n', pos_), text.size());
    std::string line(text.substr(pos_, std::min(end - pos_, kMaxLineBytes)));
    pos_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  Result<std::string> file_;
  std::size_t pos_ = 0;
};

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

LanguageFileVersion VersionOf(std::string_view firstLine) {
  if (Contains(firstLine, kHeaderV1) || Contains(firstLine, kHeaderV2)) {
    return LanguageFileVersion::Old;
  }
  if (Contains(firstLine, kLanguageHeaderV3)) return LanguageFileVersion::V3;
  return LanguageFileVersion::Unknown;
}

// N of line 3: its leading number, negative read as 0, cut to what a table holds.
std::size_t DeclaredCount(std::string_view line) {
  std::size_t pos = line.find_first_not_of(' ');
  std::size_t count = 0;
  for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
    count = std::min(count * 10 + static_cast<std::size_t>(line[pos] - '0'), kMaxTextEntries);
  }
  return std::min(count, kMaxTextEntries - 1);
}

// Line 3 and on. A file that ends before it declares is simply over; its
// missing entries stay empty.
void ReadEntries(LineReader& reader, LanguageFileContents& contents) {
  std::string third = reader.Next().value_or("");
  contents.declaredCount = DeclaredCount(third);
  std::size_t n = third.find('N');
  if (n != std::string::npos) {
    if (auto entry = DecodeEntry(std::string_view(third).substr(n + 1))) {
      contents.entries.push_back(std::move(*entry));
    }
  }
  for (std::size_t counted = 0;;) {
    std::optional<std::string> line = reader.Next();
    if (!line || Contains(*line, kEndMarker)) return;
    std::optional<LanguageEntry> entry = DecodeEntry(*line);
    bool last = entry && entry->index >= contents.declaredCount;
    if (entry) contents.entries.push_back(std::move(*entry));
    if (++counted > contents.declaredCount || last) return;
  }
}

LanguageTexts DefaultsAfter(std::string title, std::string text, MessageIcon icon) {
  return {DefaultTextTable(), {Message{std::move(title), std::move(text), icon}}};
}

}  // namespace

LanguageFileContents ReadLanguageFile(const fs::path& file) {
  LanguageFileContents contents;
  LineReader reader(file);
  if (!reader.IsOpen()) return contents;
  contents.version = VersionOf(reader.Next().value_or(""));
  reader.Next();  // line 2 is free text
  if (contents.version == LanguageFileVersion::V3) ReadEntries(reader, contents);
  return contents;
}

TextTable TextTableFromFile(const LanguageFileContents& contents) {
  TextTable table;
  table.entries.assign(std::max(contents.declaredCount + 1, kMinTextEntries), std::string());
  for (const LanguageEntry& entry : contents.entries) {
    if (entry.index < table.entries.size()) table.entries[entry.index] = entry.text;
  }
  ApplyLineBreaks(table);
  // Entry 0 captions the program's messages; it must never be blank.
  if (table.entries[0].empty()) table.entries[0] = kAppTitle;
  return table;
}

fs::path FindLanguageFile(const fs::path& programFolder, std::string_view fileName) {
  std::error_code error;
  fs::path exact = programFolder / fileName;
  if (!fileName.empty() && fs::is_regular_file(exact, error)) return exact;
  std::string wanted = AsciiLower(fileName);
  for (fs::directory_iterator it(programFolder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (AsciiLower(it->path().filename().string()) == wanted &&
        fs::is_regular_file(it->path(), ignored)) {
      return it->path();
    }
  }
  return {};
}

LanguageTexts LoadLanguageFile(const fs::path& programFolder, std::string_view fileName) {
  fs::path file = FindLanguageFile(programFolder, fileName);
  LanguageFileContents contents = file.empty() ? LanguageFileContents{} : ReadLanguageFile(file);
  switch (contents.version) {
    case LanguageFileVersion::Missing:
      return DefaultsAfter(std::string(kProductShortTitle),
                           (programFolder / fileName).string() + std::string(kMissingSuffix),
                           MessageIcon::Error);
    case LanguageFileVersion::Old:
      return DefaultsAfter(std::string(kOutdatedTitle), std::string(kOutdatedText),
                           MessageIcon::Exclamation);
    case LanguageFileVersion::Unknown:
      return {DefaultTextTable(), {}};
    case LanguageFileVersion::V3:
      break;
  }
  return {TextTableFromFile(contents), {}};
}

int FileVersionCheck(const fs::path& programFolder, std::string_view fileName) {
  fs::path file = FindLanguageFile(programFolder, fileName);
  if (file.empty()) return 1;
  LineReader reader(file);
  return Contains(reader.Next().value_or(""), "V3") ? 0 : 1;
}

std::string StartupLanguageFileName(const SettingsFiles& files) {
  std::string name = AsciiLower(ReadSetting(files, kLanguageSection, kLanguageKey));
  if (name.empty()) {
    name = ReadMachineSetting(files, kLanguageSection, kLanguageKey);
    // With no language named anywhere there is nothing to copy: writing the
    // empty name would rewrite the file at every start.
    if (name.empty()) return name;
    if (!Contains(name, kOldExtension)) {
      WriteSetting(files, kLanguageSection, kLanguageKeyWritten, name);
      return name;
    }
  }
  // An old ".lang" name, also one the machine copy still holds, would only
  // ever load the defaults.
  if (Contains(name, kOldExtension)) {
    name = ReplaceAll(std::move(name), kOldExtension, kLanguageExtension);
    WriteMachineSetting(files, kLanguageSection, kLanguageKeyWritten, name);
    WriteSetting(files, kLanguageSection, kLanguageKeyWritten, name);
  }
  return name;
}

LanguageTexts LoadStartupLanguage(const SettingsFiles& files, const fs::path& programFolder) {
  const std::string name = StartupLanguageFileName(files);
  // No language named anywhere is a first run, not a missing file.
  if (name.empty()) return {DefaultTextTable(), {}};
  return LoadLanguageFile(programFolder, name);
}

std::string LanguageDisplayName(std::string_view fileName) {
  std::string name = AsciiLower(fileName.substr(0, fileName.find('.')));
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
  }
  return name;
}

std::vector<std::string> ListLanguages(const fs::path& programFolder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(programFolder, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path& file = it->path();
    std::error_code ignored;
    if (AsciiLower(file.extension().string()) != kLanguageExtension ||
        !fs::is_regular_file(file, ignored)) {
      continue;
    }
    LineReader reader(file);
    if (Contains(reader.Next().value_or(""), "V3")) {
      names.push_back(LanguageDisplayName(file.filename().string()));
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::string CurrentLanguageName(const SettingsFiles& files) {
  std::string current = ReadSetting(files, kLanguageSection, kLanguageKey);
  return current.substr(0, current.find('.'));
}

std::optional<LanguageTexts> ApplyLanguageChoice(std::string_view selection,
                                                 const SettingsFiles& files,
                                                 const fs::path& programFolder) {
  if (AsciiLower(selection) == AsciiLower(CurrentLanguageName(files))) return std::nullopt;
  if (selection.empty()) {
    return DefaultsAfter(std::string(kProductShortTitle), std::string(kNoSelectionText),
                         MessageIcon::Error);
  }
  std::string fileName = std::string(selection) + std::string(kLanguageExtension);
  LanguageTexts texts = LoadLanguageFile(programFolder, fileName);
  WriteSetting(files, kLanguageSection, kLanguageKey, fileName);
  return texts;
}

std::string EncodeLanguageFile(std::span<const LanguageEntry> entries) {
  std::map<std::size_t, const std::string*> byIndex;
  for (const LanguageEntry& entry : entries) {
    if (entry.index < kMaxTextEntries) byIndex[entry.index] = &entry.text;
  }
  std::size_t count =
      byIndex.empty() ? kLastDefaultEntry : std::max(kLastDefaultEntry, byIndex.rbegin()->first);
  std::string file = std::string(kLanguageHeaderV3) + "\r\n" + std::string(kFileCommentBefore) +
                     std::string(kCommandName) + "\r\n" + std::to_string(count) + "N";
  bool first = true;
  for (const auto& [index, text] : byIndex) {
    if (!first) file += "\r\n";
    file += EncodeEntry(LanguageEntry{index, *text});
    first = false;
  }
  file += "\r\n" + std::string(kEndMarker) + "\r\n";
  return file;
}

}  // namespace nvx
