// nvxprint shape: the shape library of pattern print from the command line.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iostream>

#include "base/text.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "pattern/illustrator_import.h"
#include "pattern/shape_library.h"

namespace nvx::app {
namespace {

constexpr std::string_view kPrefix = "nvxprint shape: ";
// The import's gap boxes run from -5 to 5 mm.
constexpr double kGapLimitMm = 5;

// A message of the library or the importer, whose line break is CR LF.
int Refuse(std::string_view message) {
  std::string text(message);
  std::erase(text, '\r');
  std::cerr << kPrefix << text << "\n";
  return kExitFailure;
}

int Usage(std::string_view message) {
  std::cerr << kPrefix << message << "\nRun 'nvxprint shape --help' for the options.\n";
  return kExitUsage;
}

std::optional<double> ParseGap(const std::string& text) {
  const std::string_view trimmed = Trim(text);
  double value = 0;
  auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (ec != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
  if (!(value >= -kGapLimitMm && value <= kGapLimitMm)) return std::nullopt;
  return value;
}

struct ShapeSession {
  CliSession cli;
  LibraryFolders folders;
  std::filesystem::path library;
};

// Opens the settings and provisions the library as the window's start-up does.
// A command that changes the library holds the settings lock to its end.
Status OpenLibrary(ShapeSession& s, bool changes) {
  s.cli.hooks = TerminalHooks();
  s.cli.holdSettingsLock = changes;
  OpenCliSession(s.cli, "");
  s.folders = DefaultLibraryFolders(s.cli.files);
  Status provided = ProvisionShapeLibrary(s.cli.files, s.folders);
  s.library = ShapeLibraryPath(s.cli.files, s.folders);
  return provided;
}

int Import(const CommandOptions& options, const std::vector<std::string>& words) {
  if (words.size() != 2) return Usage("import takes one Illustrator file");
  const std::filesystem::path file = words[1];
  std::optional<double> gap0 = ParseGap(options.IsSet("gap0") ? options.Value("gap0") : "0");
  std::optional<double> gap45 = ParseGap(options.IsSet("gap45") ? options.Value("gap45") : "0");
  if (!gap0 || !gap45) return Usage("a gap is a number of millimetres from -5 to 5");
  const std::string name = options.IsSet("name") ? options.Value("name") : file.stem().string();
  if (ShapeNameFromBox(name).empty()) return Usage("the shape needs a name");

  ShapeSession s;
  const Status provided = OpenLibrary(s, true);
  // Without a master copy the first import starts an empty library.
  if (!provided && provided.failure().code != ENOENT) return Refuse(provided.failure().message);
  Result<ShapeRecord> shape = ImportIllustratorFile(file);
  if (!shape) return Refuse(shape.failure().message);
  shape->name = name;
  shape->pitchAdjust0 = static_cast<float>(*gap0 / 10);
  shape->pitchAdjust45 = static_cast<float>(*gap45 / 10);
  const bool replace = options.IsSet("replace");
  Status added = AddShape(s.library, *shape, [replace] { return replace; });
  if (!added) return Refuse(added.failure().message);
  RememberShapeLibrary(s.cli.files, s.library);
  return StoreCliSession(s.cli);
}

int List() {
  ShapeSession s;
  if (const Status provided = OpenLibrary(s, false); !provided) {
    std::cerr << kPrefix << provided.failure().message << "\n";
  }
  Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(s.library);
  if (!shapes) return Refuse(shapes.failure().message);
  for (const std::string& name : ShapeNames(*shapes)) std::cout << name << "\n";
  return std::cout ? kExitOk : kExitFailure;
}

// The stored names a name given on the command line stands for: the one
// written exactly so, else every one that differs only in letter case (the
// list shows names in its own capitals) or has "_" for a blank, as imports store it.
std::vector<std::string> StoredNamesFor(const std::vector<ShapeRecord>& shapes,
                                        std::string_view wanted) {
  std::vector<std::string> exact, folded;
  for (const ShapeRecord& shape : shapes) {
    const std::string_view name = Trim(shape.name);
    if (name.empty()) continue;
    if (name == Trim(wanted)) exact.emplace_back(name);
    if (ShapeDisplayName(name) == ShapeDisplayName(ShapeNameFromBox(wanted))) {
      folded.emplace_back(name);
    }
  }
  return exact.empty() ? folded : exact;
}

int Remove(const std::vector<std::string>& words) {
  if (words.size() < 2) return Usage("remove takes the names of the shapes to remove");
  ShapeSession s;
  if (const Status provided = OpenLibrary(s, true); !provided) {
    std::cerr << kPrefix << provided.failure().message << "\n";
  }
  Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(s.library);
  if (!shapes) return Refuse(shapes.failure().message);
  std::vector<std::string> marked;
  for (auto word = words.begin() + 1; word != words.end(); ++word) {
    std::vector<std::string> names = StoredNamesFor(*shapes, *word);
    if (names.empty()) return Refuse("no shape named '" + *word + "' in the library");
    marked.insert(marked.end(), names.begin(), names.end());
  }
  Status removed = RemoveShapes(s.library, marked);
  if (!removed) return Refuse(removed.failure().message);
  return StoreCliSession(s.cli);
}

}  // namespace

int RunShapeCommand(const std::vector<std::string>& args) {
  CommandOptions options(
      "nvxprint shape import FILE.ai [OPTIONS] | list | remove NAME...",
      "Manages the shape library of pattern print. 'import' adds the filled outline of an "
      "Illustrator file (versions 3 to 8) as a shape; 'list' prints the shapes' names as the "
      "pattern setup lists them; 'remove' takes shapes out of the library.");
  options.AddPositional("action", "import, list or remove.");
  options.Add(ValueOption("name", "import: the shape's name (default: the file's name).", "NAME"));
  options.Add(ValueOption("gap0", "import: extra row gap at screen angle 0, -5 to 5.", "MM"));
  options.Add(ValueOption("gap45", "import: extra row gap at screen angle 45, -5 to 5.", "MM"));
  options.Add(SwitchOption("replace", "import: overwrite a shape of the same name."));
  if (auto status = options.Parse("shape", args)) return *status;
  const std::vector<std::string> words = options.Positionals();
  const std::string what = words.empty() ? "" : words[0];
  if (what == "import") return Import(options, words);
  const bool importOptions = options.IsSet("name") || options.IsSet("gap0") ||
                             options.IsSet("gap45") || options.IsSet("replace");
  if (importOptions && (what == "list" || what == "remove")) {
    return Usage("--name, --gap0, --gap45 and --replace belong to import");
  }
  if (what == "list" && words.size() == 1) return List();
  if (what == "remove") return Remove(words);
  return Usage("say import, list or remove");
}

}  // namespace nvx::app
