// nvxprint paper and nvxprint margins: the custom paper sizes and the print
// margins, as the window's two dialogs keep them.
#include <algorithm>
#include <charconv>
#include <iostream>

#include "base/text.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/paper_limits.h"
#include "settings/settings_keys.h"

namespace nvx::app {
namespace {

int Usage(std::string_view command, std::string_view message) {
  std::cerr << "nvxprint " << command << ": " << message << "\nRun 'nvxprint " << command
            << " --help' for the options.\n";
  return kExitUsage;
}

// A length the user typed: a plain number, not below 0.
std::optional<double> ParseLength(std::string_view text) {
  text = Trim(text);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(value >= 0))
    return std::nullopt;
  return value;
}

// --unit, else the unit the settings show lengths in.
std::optional<DisplayUnit> ChosenUnit(const CommandOptions& options, const SettingsFiles& files) {
  if (!options.IsSet("unit")) return ReadDisplayUnit(files);
  const std::string unit = options.Value("unit");
  if (unit == "mm") return DisplayUnit::Millimetres;
  if (unit == "cm") return DisplayUnit::Centimetres;
  if (unit == "in") return DisplayUnit::Inches;
  return std::nullopt;
}

void AddUnitOption(CommandOptions& options) {
  options.Add(ValueOption("unit", "mm, cm or in (default: the unit the settings show).", "UNIT"));
}

int AddPaper(CliSession& s, const CommandOptions& options, const std::vector<std::string>& words) {
  if (words.size() != 2) return Usage("paper", "add takes one name");
  if (!options.IsSet("width") || !options.IsSet("height"))
    return Usage("paper", "add needs --width and --height");
  std::optional<DisplayUnit> unit = ChosenUnit(options, s.files);
  if (!unit) return Usage("paper", "--unit takes mm, cm or in");
  std::optional<double> width = ParseLength(options.Value("width"));
  std::optional<double> height = ParseLength(options.Value("height"));
  if (!width || !height) return Usage("paper", "--width and --height take numbers");
  // The record keeps the user's own margins, not those of the paper last chosen.
  SetRunMargins(s.files, s.userMargins);
  Status saved = SaveCustomPaper(s.files, s.modelKey, words[1], *width, *height, *unit);
  return saved ? StoreCliSession(s)
               : ReportFailure(saved.failure(), ExitStatusFor(saved.failure()));
}

int RemovePaper(CliSession& s, const std::vector<std::string>& words) {
  if (words.size() != 2) return Usage("paper", "remove takes one name");
  if (DeleteCustomPaper(s.files, words[1])) return StoreCliSession(s);
  return ReportFailure(Fail("no custom paper size named '" + words[1] + "'"), kExitUsage);
}

struct MarginBox {
  const char* name;
  int PageMargins::*field;
};
constexpr MarginBox kMarginBoxes[] = {{"top", &PageMargins::top},
                                      {"left", &PageMargins::left},
                                      {"right", &PageMargins::right},
                                      {"bottom", &PageMargins::bottom}};

void ShowMargins(const CliSession& s, DisplayUnit unit) {
  const PageMargins m = ReadMargins(s.files);
  for (const MarginBox& box : kMarginBoxes) {
    std::cout << box.name << " " << FormatPointsInDisplayUnit((m.*box.field) / 100.0, unit) << " "
              << DisplayUnitName(unit) << "\n";
  }
  const PrintableSize area = PrintableArea(s.files, s.live);
  std::cout << "printable area " << FormatAtMostDecimals(PointsToDisplayUnit(area.widthPt, unit), 2)
            << " x " << FormatAtMostDecimals(PointsToDisplayUnit(area.heightPt, unit), 2) << " "
            << DisplayUnitName(unit) << " on " << s.live.paperName << "\n";
}

}  // namespace

int RunPaperCommand(const std::vector<std::string>& args) {
  CommandOptions options(
      "nvxprint paper add NAME --width W --height H [--unit UNIT] | list | remove NAME",
      "Manages the custom paper sizes. 'add' stores a size (replacing one of the same name) "
      "within the range the model's class feeds; 'list' prints the paper list the main window "
      "offers for the model; 'remove' deletes a custom size.");
  options.AddPositional("action", "add, list or remove.");
  options.Add(ValueOption("width", "add: the paper's width in the unit.", "W"));
  options.Add(ValueOption("height", "add: the paper's height in the unit.", "H"));
  AddUnitOption(options);
  options.Add(ValueOption("model", "Printer model key, e.g. C711WT or Pro8432WT.", "KEY"));
  if (auto status = options.Parse("paper", args)) return *status;
  const std::vector<std::string> words = options.Positionals();
  const std::string what = words.empty() ? "" : words[0];
  if (what != "add" && what != "list" && what != "remove")
    return Usage("paper", "say add, list or remove");
  if (what != "add" && (options.IsSet("width") || options.IsSet("height") || options.IsSet("unit")))
    return Usage("paper", "--width, --height and --unit belong to add");
  if (what == "list" && words.size() != 1) return Usage("paper", "list takes no names");

  CliSession session;
  // Counting the sizes and storing them again is one step under the settings lock.
  session.holdSettingsLock = what != "list";
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  if (what == "add") return AddPaper(session, options, words);
  if (what == "remove") return RemovePaper(session, words);
  for (const std::string& paper : session.paperList) std::cout << paper << "\n";
  return std::cout ? kExitOk : kExitFailure;
}

int RunMarginsCommand(const std::vector<std::string>& args) {
  CommandOptions options(
      "nvxprint margins [--top T] [--left L] [--right R] [--bottom B] [--unit UNIT]",
      "Shows the print margins and the printable area of the current paper; with values, "
      "raises them to the printer's least margins and stores them, as the margin dialog does.");
  for (const MarginBox& box : kMarginBoxes)
    options.Add(ValueOption(box.name, "The margin in the unit.", "LENGTH"));
  AddUnitOption(options);
  if (auto status = options.Parse("margins", args)) return *status;
  if (!options.Positionals().empty()) return Usage("margins", "takes no words, only options");

  const bool setting = std::ranges::any_of(
      kMarginBoxes, [&](const MarginBox& box) { return options.IsSet(box.name); });
  CliSession session;
  // The margins not named keep the values read under the same lock.
  session.holdSettingsLock = setting;
  if (int opened = OpenCliSession(session, ""); opened != kExitOk) return opened;
  std::optional<DisplayUnit> unit = ChosenUnit(options, session.files);
  if (!unit) return Usage("margins", "--unit takes mm, cm or in");
  PageMargins margins = session.userMargins;
  for (const MarginBox& box : kMarginBoxes) {
    if (!options.IsSet(box.name)) continue;
    std::optional<double> length = ParseLength(options.Value(box.name));
    if (!length) return Usage("margins", std::string("--") + box.name + " takes a length");
    margins.*box.field = MarginHundredths(*length, *unit);
  }
  if (setting) {
    const std::string printer = ReadSetting(session.files, keys::kActive, keys::kPrinter);
    Result<PageMargins> stored = StoreUserMargins(session, margins, printer);
    if (!stored) return ReportFailure(stored.failure(), kExitUsage);
    // Margins that were not stored are not shown as the margins in force.
    if (int status = StoreCliSession(session); status != kExitOk) return status;
  }
  ShowMargins(session, *unit);
  return std::cout ? kExitOk : kExitFailure;
}

}  // namespace nvx::app
