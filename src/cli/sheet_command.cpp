#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/job_options.h"
#include "cli/preview_output.h"
#include "job/costing.h"
#include "job/print_controls.h"
#include "job/sheet.h"
#include "platform/atomic_file.h"
#include "platform/readable_file.h"

namespace nvx::app {
namespace {

// What lays out copies of one image, turns it, trims it or screens it: a
// sheet arranges its items itself.
constexpr const char* kNotForSheets[] = {
    "x-copies",   "y-copies", "align",   "auto-tile", "optimal-layout", "rotate",
    "no-rotate",  "crop",     "pages",   "page",      "pattern",        "shape",
    "shape-size", "shape-x",  "shape-y", "gap",       "screen",         "invert"};

// A preview large enough to tell twenty designs apart.
constexpr PreviewArea kSheetPreviewArea{620, 877, kWhiteSubstrate};

constexpr const char* kItemHelp =
    "An image file with, after colons, its printed size and its copies: "
    "logo.png:50mm:x10 (50 mm wide, 10 copies), name.pdf:80x30mm, photo.jpg:2in, "
    "label.png:0x20mm (20 mm high), art.png:x4:noturn (never turned). Without a size an "
    "item prints at its own resolution; a width or a height alone keeps its proportions. "
    "Units: mm, cm, in, pt.";

bool Refuse(const std::string& message) {
  std::cerr << "nvxprint sheet: " << message << "\n";
  return false;
}

// The sheet file first, then the items given, then the options that change them.
std::optional<Sheet> ReadSheetRequest(const CommandOptions& options) {
  Sheet sheet;
  if (options.IsSet("sheet")) {
    Result<Sheet> read = ReadSheetFile(options.Value("sheet"));
    if (!read) {
      ReportFailure(read.failure(), 0);
      return std::nullopt;
    }
    sheet = std::move(*read);
  }
  const bool mayTurn = !options.IsSet("no-turn");
  for (const std::string& text : options.Positionals()) {
    Result<SheetItem> item = ParseSheetItem(text, mayTurn);
    if (!item) {
      Refuse(item.failure().message);
      return std::nullopt;
    }
    sheet.items.push_back(std::move(*item));
  }
  if (!mayTurn) {
    for (SheetItem& item : sheet.items) item.mayTurn = false;
  }
  if (options.IsSet("arrange")) sheet.arrangement = SheetArrangement::Automatic;
  if (options.IsSet("dpi")) {
    const PrintControl dpi = *FindPrintControl(control::kSheetDpi);
    int value = 0;
    const std::string text = options.Value("dpi");
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < dpi.min ||
        value > dpi.max) {
      Refuse("--dpi takes a whole number " + RangeText(dpi) + ", not '" + text + "'");
      return std::nullopt;
    }
    sheet.dpi = value;
  }
  return sheet;
}

// "out.ps" -> "out-2.ps" when there are several sheets; one sheet keeps the name.
std::string NumberedPath(const std::string& path, int index, int count) {
  if (count < 2) return path;
  std::filesystem::path p(path);
  const std::string stem = p.stem().string();
  const std::string numbered = (stem.empty() ? p.filename().string() : stem) + "-" +
                               std::to_string(index + 1) + p.extension().string();
  return (p.parent_path() / numbered).string();
}

std::string Percent(double value) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << value << "%";
  return text.str();
}

void ShowLayout(const SheetLayout& layout, std::ostream& out) {
  const int count = static_cast<int>(layout.sheets.size());
  out << count << (count == 1 ? " sheet" : " sheets") << ", printable area "
      << std::lround(layout.areaWidthPt / kPointsPerMillimetre) << " x "
      << std::lround(layout.areaHeightPt / kPointsPerMillimetre) << " mm\n";
  for (int i = 0; i < count; ++i) {
    const std::size_t copies = layout.sheets[static_cast<std::size_t>(i)].copies.size();
    out << "sheet " << i + 1 << ": " << copies << (copies == 1 ? " copy, " : " copies, ")
        << Percent(layout.UsedPercent(i)) << " of the printable area used\n";
  }
}

// Each note once, however many sheets or previews repeat it.
void SayOnce(const Notes& notes, std::set<std::string>& said) {
  Notes fresh;
  for (const Message& note : notes) {
    if (said.insert(note.text).second) fresh.push_back(note);
  }
  PrintNotes(fresh);
}

int WritePreviews(CliSession& s, const CommandOptions& options, const Sheet& sheet,
                  const SheetLayout& layout, std::set<std::string>& said) {
  PreviewArea area = kSheetPreviewArea;
  if (!ParsePreviewArea(options, area)) return kExitUsage;
  const int count = static_cast<int>(layout.sheets.size());
  for (int i = 0; i < count; ++i) {
    Result<PreviewBitmap> page =
        RenderSheetPreview(s, sheet, layout, i, area.width, area.height, area.substrate);
    if (!page) return ReportFailure(page.failure(), ExitStatusFor(page.failure()));
    SayOnce(page->notes, said);
    const std::string path = NumberedPath(options.Value("preview"), i, count);
    if (int written = WritePreviewPng(path, *page); written != kExitOk) return written;
  }
  return kExitOk;
}

int CostSheets(CliSession& s, const Sheet& sheet, const SheetLayout& layout) {
  const int count = static_cast<int>(layout.sheets.size());
  for (int i = 0; i < count; ++i) {
    Result<PrintCost> cost = CostSheet(s, sheet, layout, i);
    if (!cost) return ReportFailure(cost.failure(), ExitStatusFor(cost.failure()));
    if (count > 1) std::cout << "sheet " << i + 1 << ":\n";
    if (int shown = ShowCost(s, std::cout); shown != kExitOk) return shown;
  }
  return kExitOk;
}

// Each sheet is a job of its own: numbered files, one job after another on
// a stream (stdout, a device or a FIFO), or each sent to the queue.
int PrintSheets(CliSession& s, const CommandOptions& options, const Sheet& sheet,
                const SheetLayout& layout, std::ostream& out, std::set<std::string>& said) {
  const int count = static_cast<int>(layout.sheets.size());
  const bool toFile = options.IsSet("to");
  const bool stream = toFile && platform::IsStreamOutput(options.Value("to"));
  std::optional<PrintJob> streamed;
  // A later sheet's failure leaves the earlier ones printed: say which.
  auto stopped = [&](int sheet, int status) {
    if (sheet > 0 && !stream) {
      std::cerr << "nvxprint: sheet" << (sheet > 1 ? "s 1 to " : " ") << sheet
                << " went out; sheet " << sheet + 1 << " and any after it did not\n";
    }
    return status;
  };
  for (int i = 0; i < count; ++i) {
    const std::string name = SheetDocumentName(i, count);
    Notes notes;
    Result<PrintJob> job = BuildSheetJob(s, sheet, layout, i, &notes);
    SayOnce(notes, said);
    if (!job) return stopped(i, ReportFailure(job.failure(), ExitStatusFor(job.failure())));
    if (job->outcome == JobOutcome::CostedOnly) {
      std::cerr << "nvxprint: the settings ask for the cost only (Stats/Option is 1): nothing "
                   "was printed\n";
      const int shown = ShowCost(s, std::cout);
      return shown == kExitOk ? kExitFailure : shown;
    }
    if (stream) {
      if (streamed) {
        AppendJob(*streamed, std::move(*job));
      } else {
        streamed = std::move(*job);
      }
      continue;
    }
    if (toFile) {
      Status written = WriteJobFile(NumberedPath(options.Value("to"), i, count), *job);
      if (!written) return stopped(i, ReportFailure(written.failure(), kExitFailure));
    } else if (int sent = DeliverCommandJob(s, options, *job, name); sent != kExitOk) {
      return stopped(i, sent);
    }
    if (CostSentJobIfAsked(s, *job)) {
      if (int shown = ShowCost(s, out); shown != kExitOk) return shown;
    }
  }
  if (streamed) return DeliverCommandJob(s, options, *streamed, "Gang sheet");
  return kExitOk;
}

}  // namespace

int RunSheetCommand(const std::vector<std::string>& args) {
  CommandOptions options(
      "nvxprint sheet ITEM... [OPTIONS]",
      "Prints a gang sheet: many designs arranged on one page to use as little transfer media "
      "as possible, each with its own size and copies. The designs are packed automatically "
      "(turned a quarter where that helps) or placed where a sheet file says; what does not "
      "fit goes onto further sheets, each its own job. Shows how much of each sheet's "
      "printable area is used. With several sheets, --to out.ps writes out-1.ps, out-2.ps ... "
      "and --preview sheet.png writes sheet-1.png, sheet-2.png ... The copies-grid, rotate, "
      "crop, page and pattern options of print do not apply to sheets.");
  options.AddPositional("ITEM", kItemHelp);
  options.HideFromHelp({std::begin(kNotForSheets), std::end(kNotForSheets)});
  AddImageOptions(options);
  options.Add(ValueOption("sheet", "Read the sheet's items (and their places) from a sheet file.",
                          "FILE.json"));
  options.Add(ValueOption(
      "save-sheet", "Save the sheet, arranged as printed, to a sheet file the window opens too.",
      "FILE.json"));
  options.Add(SwitchOption("arrange", "Arrange a sheet file's items again, ignoring its places."));
  const PrintControl dpi = *FindPrintControl(control::kSheetDpi);
  const std::string dpiHelp = "The sheet's resolution, " + std::to_string(dpi.min) + " to " +
                              std::to_string(dpi.max) + " dpi (default " +
                              std::to_string(dpi.defaultValue) + ").";
  options.Add(ValueOption("dpi", dpiHelp.c_str(), "N"));
  options.Add(SwitchOption("no-turn", "Never turn an item."));
  options.Add(ValueOption("preview",
                          "Write each sheet's preview (PNG, the items outlined); without --to "
                          "or --printer nothing is printed.",
                          "FILE.png"));
  options.Add(ValueOption("size", "The preview in pixels (default 620x877).", "WxH"));
  options.Add(ValueOption("background", "The preview's substrate colour 1..17.", "N"));
  options.Add(SwitchOption("cost", "Price each sheet instead of printing it."));
  if (auto status = options.Parse("sheet", args)) return *status;
  for (const char* name : kNotForSheets) {
    if (options.IsSet(name)) {
      Refuse("--" + std::string(name) + " does not apply to a sheet, which arranges its items");
      return kExitUsage;
    }
  }
  std::optional<Sheet> sheet = ReadSheetRequest(options);
  if (!sheet) return options.IsSet("sheet") ? kExitFailure : kExitUsage;
  if (sheet->items.empty()) {
    Refuse("give the items to print (FILE[:SIZE][:xCOPIES]) or a sheet file with --sheet");
    return kExitUsage;
  }
  for (const SheetItem& item : sheet->items) {
    if (Result<platform::ReadableFile> readable = platform::ReadableFile::Open(item.file);
        !readable) {
      std::cerr << "nvxprint: cannot open '" << item.file << "': " << readable.failure().message
                << "\n";
      return kExitFailure;
    }
  }

  CliSession session;
  if (int opened = OpenCliSession(session, options.Value("model")); opened != kExitOk)
    return opened;
  if (!sheet->paper.empty() && !options.IsSet("paper")) {
    if (Status paper = ChoosePaper(session, sheet->paper); !paper)
      return ReportFailure(paper.failure(), ExitStatusFor(paper.failure()));
  }
  if (int applied = ApplyOptionsBeforeLoad(session, options); applied != kExitOk) return applied;
  Result<std::vector<ItemSize>> sizes = ItemSizes(session, *sheet);
  if (!sizes) return ReportFailure(sizes.failure(), ExitStatusFor(sizes.failure()));
  Result<SheetLayout> layout = ArrangeSheet(session, *sheet, *sizes);
  if (!layout) return ReportFailure(layout.failure(), ExitStatusFor(layout.failure()));
  sheet->paper = session.live.paperName;
  // Several previews are numbered files; a device, FIFO or stdout has no name to number.
  if (options.IsSet("preview") && layout->sheets.size() > 1 &&
      platform::IsStreamOutput(options.Value("preview"))) {
    Refuse("the items fill " + std::to_string(layout->sheets.size()) +
           " sheets, whose previews need a file name to number (--preview sheet.png writes "
           "sheet-1.png ...), not a device or stdout");
    return kExitUsage;
  }

  const bool jobOnStdout = options.IsSet("to") && options.Value("to") == "-";
  std::ostream& out = jobOnStdout ? std::cerr : std::cout;
  ShowLayout(*layout, out);
  if (options.IsSet("save-sheet")) {
    Sheet saved = *sheet;
    KeepPositions(saved, *layout);
    if (Status written = WriteSheetFile(options.Value("save-sheet"), saved); !written)
      return ReportFailure(written.failure(), kExitFailure);
  }
  std::set<std::string> said;  // notes already told
  if (options.IsSet("preview")) {
    if (int written = WritePreviews(session, options, *sheet, *layout, said); written != kExitOk)
      return written;
    if (!options.IsSet("to") && !options.IsSet("printer") && !options.IsSet("cost")) return kExitOk;
  }
  if (options.IsSet("cost")) return CostSheets(session, *sheet, *layout);
  return PrintSheets(session, options, *sheet, *layout, out, said);
}

}  // namespace nvx::app
