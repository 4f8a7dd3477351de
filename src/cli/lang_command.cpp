#include "cli/lang_command.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string_view>

#include "cli/commands.h"
#include "lang/language_file.h"
#include "lang/table_text.h"
#include "platform/atomic_file.h"

namespace nvx::app {
namespace {

constexpr std::string_view kUsage =
    "Usage: nvxprint lang encode TABLE.txt OUT.lan3\n"
    "       nvxprint lang decode FILE.lan3\n"
    "\n"
    "encode  writes the texts of TABLE.txt as a language file\n"
    "decode  prints the texts of a language file in the TABLE.txt form\n"
    "\n"
    "TABLE.txt holds one text a line, UTF-8: the entry number, a tab, the text.\n"
    "Write a line break inside a text as \\n. Empty lines and lines starting\n"
    "with # are skipped.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n";

constexpr std::string_view kPrefix = "nvxprint lang: ";

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

int Encode(const std::string& tablePath, const std::string& outPath, std::ostream& err) {
  std::optional<std::string> text = ReadWholeFile(tablePath);
  if (!text) {
    err << kPrefix << "cannot read " << tablePath << "\n";
    return kExitFailure;
  }
  TableText table = ParseTableText(*text);
  if (table.errorLine != 0) {
    err << kPrefix << tablePath << ":" << table.errorLine << ": " << table.error << "\n";
    return kExitFailure;
  }
  std::string file = EncodeLanguageFile(table.entries);
  std::string_view pieces[] = {file};
  if (Status written = platform::WriteOutputFile(outPath, pieces); !written) {
    err << kPrefix << "cannot write " << outPath << ": " << written.failure().message << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

// The entries as the program's table ends up with them: later ones replace
// earlier ones, those beyond the table are dropped.
std::vector<LanguageEntry> TableEntries(const LanguageFileContents& contents,
                                        std::size_t& dropped) {
  std::size_t size = std::max(contents.declaredCount + 1, kMinTextEntries);
  std::map<std::size_t, std::string> byIndex;
  dropped = 0;
  for (const LanguageEntry& entry : contents.entries) {
    if (entry.index < size) {
      byIndex[entry.index] = entry.text;
    } else {
      ++dropped;
    }
  }
  std::vector<LanguageEntry> entries;
  for (auto& [index, text] : byIndex) entries.push_back({index, std::move(text)});
  return entries;
}

int Decode(const std::string& path, std::ostream& out, std::ostream& err) {
  LanguageFileContents contents = ReadLanguageFile(path);
  if (contents.version == LanguageFileVersion::Missing) {
    err << kPrefix << "cannot read " << path << "\n";
    return kExitFailure;
  }
  if (contents.version != LanguageFileVersion::V3) {
    err << kPrefix << path << ": line 1 does not name \"" << kLanguageHeaderV3 << "\"\n";
    return kExitFailure;
  }
  std::size_t dropped = 0;
  out << FormatTableText(TableEntries(contents, dropped));
  if (dropped != 0) {
    err << kPrefix << dropped << " entries with an index beyond the table were skipped\n";
  }
  return out ? kExitOk : kExitFailure;
}

}  // namespace

int RunLangCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (std::ranges::any_of(args, [](const std::string& a) { return a == "-h" || a == "--help"; })) {
    out << kUsage;
    return kExitOk;
  }
  if (args.size() == 3 && args[0] == "encode") return Encode(args[1], args[2], err);
  if (args.size() == 2 && args[0] == "decode") return Decode(args[1], out, err);
  err << kUsage;
  return kExitUsage;
}

}  // namespace nvx::app
