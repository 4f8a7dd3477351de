#include "cli/image_options.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/job_options.h"
#include "image/image_format.h"
#include "image/white_choke.h"
#include "job/presets.h"
#include "job/print_controls.h"
#include "pattern/pattern_settings.h"
#include "pattern/shape_library.h"
#include "platform/readable_file.h"
#include "printers/models.h"
#include "settings/numbers.h"
#include "settings/toner_order.h"

namespace nvx::app {
namespace {

constexpr std::string_view kHiddenColoursNote =
    "the image has transparent areas; they print the colour stored under them "
    "(--background-removal leaves them unprinted, together with the colour of the top-left "
    "corner)";

struct Switch {
  const char* on;
  const char* off;  // nullptr: the option only turns it on
  const char* description;
  bool LiveSettings::*field;
};

const Switch kSwitches[] = {
    {"mirror", "no-mirror", "Mirror the print left to right.", &LiveSettings::mirrorOn},
    {"flip", nullptr, "Turn the image upside down as it is loaded.", &LiveSettings::flip},
    {"print-white", "no-print-white", "Print the white layer.", &LiveSettings::printWhite},
    {"print-cmy", "no-print-cmy", "Print the colours (off: white only).", &LiveSettings::printCmy},
    {"black-removal", nullptr, "Leave near-black areas unprinted.", &LiveSettings::blackRemoval},
    {"background-removal", nullptr, "Make the background colour transparent.",
     &LiveSettings::backgroundRemoval},
    {"auto-tile", nullptr, "Fill the page with as many copies as fit.",
     &LiveSettings::automaticTile},
    {"optimal-layout", nullptr, "Keep copies one millimetre apart, centred.",
     &LiveSettings::optimalLayout},
    {"display-white", "no-display-white", "Show the white layer in the preview.",
     &LiveSettings::displayWhite},
    {"faceup-exit", "no-faceup-exit", "Deliver face up (models with a face-up exit).",
     &LiveSettings::faceUpExit},
    {"compact", "no-compact",
     "Send the raster rows run-length encoded (smaller jobs; for PostScript Level 2 printers).",
     &LiveSettings::compactRaster},
};

// The numeric options: the controls' table gives their names and ranges.
struct Number {
  std::string_view name;
  const char* description;

  PrintControl Control() const { return *FindPrintControl(name); }
};

const Number kNumbers[] = {
    {control::kXCopies, "Copies across (the X Copy box)"},
    {control::kYCopies, "Copies down (the Y Copy box)"},
    {control::kAlign, "Where one copy sits: 1 centre, 2 and up the alignment grid"},
    {control::kWhiteDensity, "White only Density"},
    {control::kWhiteThreshold, "Add White Threshold"},
    {control::kBrightness, "Brightness"},
    {control::kContrast, "Contrast"},
    {control::kBlackFuzzy, "Black removal tolerance"},
    {control::kRenderDpi, "PDF, SVG, EPS and PostScript: render at N dpi (default 300)"},
    {control::kPage, "PDF and PostScript: the page to print (default 1)"},
};

// "Brightness, -100 to 100 (percent, steps of 2).": the text and the table's range.
std::string NumberHelp(const Number& n) {
  const PrintControl c = n.Control();
  std::string text =
      std::string(n.description) + ", " + std::to_string(c.min) + " to " + std::to_string(c.max);
  if (c.step != 1) {
    text += " (" + std::string(c.unit) + ", steps of " + std::to_string(c.step) + ")";
  }
  return text + ".";
}

std::optional<int> ParseNumber(const std::string& text, const PrintControl& n) {
  int value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || value < n.min || value > n.max) return std::nullopt;
  return value;
}

// A signed percentage back to the slider position that shows it.
int SliderPosition(int percent) { return static_cast<int>(RoundHalfEven((percent + 100) / 2.0)); }

void SetNumber(CliSession& s, std::string_view name, int value) {
  if (name == "x-copies") s.live.xCopy = value;
  if (name == "y-copies") s.live.yCopy = value;
  if (name == "align") s.live.alignment = value;
  if (name == "white-density") s.live.whiteMaskPercent = value;
  if (name == "white-threshold") s.live.tonerPercent = value;
  if (name == "brightness") s.live.brightness = SliderPosition(value);
  if (name == "contrast") s.live.contrast = SliderPosition(value);
  if (name == "black-fuzzy") s.blackFuzzyOverride = value;
  if (name == "render-dpi") s.live.renderDpi = value;
  if (name == "page") s.live.page = value;
}

bool Refuse(const std::string& message) {
  std::cerr << "nvxprint: " << message << "\n";
  return false;
}

bool ApplyTonerOrder(CliSession& s, const std::string& order) {
  if (order != kWhiteLastText && order != kWhiteFirstText)
    return Refuse("toner order must be WL or WF, not '" + order + "'");
  if (order == kWhiteFirstText && !CanSwitchTonerOrder(s.modelKey)) {
    return Refuse("the " + s.modelKey +
                  " prints white last only (WF needs a model that can switch)");
  }
  s.live.tonerOrder = order == kWhiteFirstText ? TonerOrder::WhiteFirst : TonerOrder::WhiteLast;
  s.live.colourPoints = DefaultColourAdjustPoints(s.live.tonerOrder);
  return true;
}

}  // namespace

void AddImageOptions(CommandOptions& options, CommandOutput output) {
  AddJobOptions(options, output);
  options.Add(ValueOption("preset",
                          "A preset file, or the name of an installed one, applied before the "
                          "other options.",
                          "FILE|NAME"));
  for (const Switch& sw : kSwitches) {
    options.Add(SwitchOption(sw.on, sw.description));
    if (sw.off) options.Add(SwitchOption(sw.off, "Turn it off."));
  }
  options.Add(SwitchOption("rotate", "Turn the image a quarter turn (after the page fit)."));
  options.Add(SwitchOption("no-rotate", "Do not turn the image, whatever the page fit chose."));
  options.Add(SwitchOption("threshold-on", "Apply the white threshold."));
  options.Add(SwitchOption("threshold-off", "Do not apply the white threshold."));
  options.Add(SwitchOption("crop", "Trim the image to its content as it is loaded."));
  for (const Number& n : kNumbers) {
    options.Add(ValueOption(std::string(n.name).c_str(), NumberHelp(n).c_str(), "N"));
  }
  options.Add(
      ValueOption("toner-order", "WL (white last) or WF (white first, 8432 models).", "ORDER"));
  options.Add(ValueOption("curve",
                          "The colour-adjust points for this run: 48 hexadecimal digits, "
                          "x and y of four points per ink, cyan, magenta, yellow.",
                          "HEX48"));
  options.Add(ValueOption(
      "white-choke", "Pull the white in from its edges by this many millimetres, 0 to 2.", "MM"));
  options.Add(ValueOption(
      "pages", "all: each page of a PDF or PostScript file as its own job, one after the other.",
      "all"));
  options.Add(ValueOption("icc-in", "Input ICC profile (the image's RGB).", "FILE"));
  options.Add(ValueOption("icc-out", "Output ICC profile (the printer's CMYK).", "FILE"));
  options.Add(SwitchOption("pattern", "Pattern print: screen the print with repeated shapes."));
  options.Add(
      ValueOption("shape", "The pattern's shape: Ellipse, Rectangle or a library shape.", "NAME"));
  options.Add(ValueOption("shape-size", "The shape's width and height, 2 to 10 mm.", "MM"));
  options.Add(ValueOption("shape-x", "The shape's width, 2 to 10 mm.", "MM"));
  options.Add(ValueOption("shape-y", "The shape's height, 2 to 10 mm.", "MM"));
  options.Add(ValueOption("gap", "The gap between shapes, 1 to 5 mm.", "MM"));
  options.Add(ValueOption("screen", "The screen angle, 0 or 45 degrees.", "DEGREES"));
  options.Add(SwitchOption("invert", "Invert the pattern: print the shapes, not the screen."));
}

// A length in millimetres within the pattern setup's range.
std::optional<double> PatternLength(const CommandOptions& options, const char* name, double min,
                                    double max) {
  const std::string text = options.Value(name);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !(value >= min) || value > max) {
    Refuse("--" + std::string(name) + " takes millimetres from " + FormatAtMostDecimals(min, 1) +
           " up to " + FormatAtMostDecimals(max, 1) + ", not '" + text + "'");
    return std::nullopt;
  }
  return value;
}

// The pattern options change the stored pattern settings for this run only.
bool ApplyPatternOptions(CliSession& s, const CommandOptions& options) {
  const bool any = options.IsSet("pattern") || options.IsSet("shape") ||
                   options.IsSet("shape-size") || options.IsSet("shape-x") ||
                   options.IsSet("shape-y") || options.IsSet("gap") || options.IsSet("screen") ||
                   options.IsSet("invert");
  if (!any) return true;
  if (!options.IsSet("pattern")) return Refuse("the pattern options go with --pattern");
  s.live.patternPrint = true;
  s.live.patternPreview = true;
  // As the window does at start: the user's library comes from the master copy.
  // Without one the library is empty, which the shape's look-up below reports.
  const LibraryFolders folders = DefaultLibraryFolders(s.files);
  (void)ProvisionShapeLibrary(s.files, folders);
  PatternSettings pattern = ReadPatternSettings(s.files);
  if (options.IsSet("shape")) {
    const std::filesystem::path library = ShapeLibraryPath(s.files, folders);
    const std::vector<std::string> shapes = PatternShapeList(ListShapeNames(library));
    const std::string* shape = FindChoice(shapes, options.Value("shape"));
    if (!shape) {
      std::string text = "unknown shape '" + options.Value("shape") + "'; the shapes:";
      for (const std::string& name : shapes) text += "\n  " + name;
      return Refuse(text);
    }
    pattern.shape = *shape;
  }
  for (const char* name : {"shape-size", "shape-x", "shape-y"}) {
    if (!options.IsSet(name)) continue;
    std::optional<double> mm = PatternLength(options, name, 2, 10);
    if (!mm) return false;
    if (std::string(name) != "shape-y") pattern.sizeXMm = *mm;
    if (std::string(name) != "shape-x") pattern.sizeYMm = *mm;
  }
  if (options.IsSet("gap")) {
    std::optional<double> mm = PatternLength(options, "gap", 1, 5);
    if (!mm) return false;
    pattern.gapMm = *mm;
  }
  if (options.IsSet("screen")) {
    const std::string angle = options.Value("screen");
    if (angle != "0" && angle != "45") return Refuse("--screen takes 0 or 45, not '" + angle + "'");
    pattern.screenAngle = angle == "0" ? 0 : 45;
  }
  if (options.IsSet("invert")) pattern.invert = true;
  WritePatternSettings(s.files, pattern, true);
  return true;
}

// A preset holds for this run only; the toner order chosen before it decides
// which of its colour-adjust curves it gives.
int ApplyPresetOption(CliSession& s, const CommandOptions& options) {
  if (!options.IsSet("preset")) return kExitOk;
  const std::string name = options.Value("preset");
  std::optional<std::filesystem::path> file = FindPreset(name);
  if (!file) {
    std::string text = "no preset file or installed preset '" + name + "'; installed:";
    for (const std::string& installed : ListBuiltInPresets()) text += "\n  " + installed;
    Refuse(text);
    return kExitUsage;
  }
  const Result<Notes> read = ReadPreset(s, *file, PresetScope::ThisRun);
  if (!read) return ReportFailure(read.failure(), ExitStatusFor(read.failure()));
  PrintNotes(*read);
  return kExitOk;
}

int ApplyOptionsBeforeLoad(CliSession& s, const CommandOptions& options) {
  if (options.IsSet("toner-order") && !ApplyTonerOrder(s, options.Value("toner-order"))) {
    return kExitUsage;
  }
  if (int applied = ApplyPresetOption(s, options); applied != kExitOk) return applied;
  if (int applied = ApplyJobOptions(s, options); applied != kExitOk) return applied;
  for (const Switch& sw : kSwitches) {
    if (options.IsSet(sw.on)) s.live.*sw.field = true;
    if (sw.off && options.IsSet(sw.off)) s.live.*sw.field = false;
  }
  if (options.IsSet("threshold-on")) s.live.thresholdOn = true;
  if (options.IsSet("threshold-off")) s.live.thresholdOn = false;
  for (const Number& n : kNumbers) {
    const std::string name(n.name);
    if (!options.IsSet(name)) continue;
    std::string text = options.Value(name);
    std::optional<int> value = ParseNumber(text, n.Control());
    if (!value) {
      Refuse("--" + name + " takes a whole number " + RangeText(n.Control()) + ", not '" + text +
             "'");
      return kExitUsage;
    }
    SetNumber(s, n.name, *value);
  }
  if (options.IsSet("curve")) {
    std::optional<ColourAdjustPoints> points =
        ParseCompleteColourAdjustPoints(options.Value("curve"));
    if (!points) {
      Refuse("--curve takes 48 hexadecimal digits, not '" + options.Value("curve") + "'");
      return kExitUsage;
    }
    s.live.colourPoints = *points;
  }
  if (options.IsSet("white-choke")) {
    std::optional<double> mm = PatternLength(options, "white-choke", 0, kMaxWhiteChokeMm);
    if (!mm) return kExitUsage;
    s.live.whiteChokeMm = *mm;
  }
  if (options.IsSet("pages") && options.Value("pages") != "all") {
    Refuse("--pages takes 'all', not '" + options.Value("pages") + "' (one page: --page N)");
    return kExitUsage;
  }
  if (options.IsSet("pages") && options.IsSet("page")) {
    Refuse("--pages all and --page N choose pages both; give one of them");
    return kExitUsage;
  }
  if (!ApplyPatternOptions(s, options)) return kExitUsage;
  for (const char* name : {"icc-in", "icc-out"}) {
    if (!options.IsSet(name)) continue;
    std::string file = options.Value(name);
    if (file.empty()) {
      Refuse("--" + std::string(name) + " needs a profile file");
      return kExitUsage;
    }
    (std::string(name) == "icc-in" ? s.profileIn : s.profileOut) = file;
  }
  return kExitOk;
}

int OpenSessionWithOptions(CliSession& s, const CommandOptions& options) {
  if (int opened = OpenCliSession(s, options.Value("model")); opened != kExitOk) return opened;
  return ApplyOptionsBeforeLoad(s, options);
}

void ApplyOptionsAfterLoad(CliSession& s, const CommandOptions& options) {
  if (options.IsSet("rotate")) s.live.rotate = true;
  if (options.IsSet("no-rotate")) s.live.rotate = false;
}

int OpenForCommand(CliSession& s, ImageDocument& doc, const CommandOptions& options,
                   const std::string& file, int areaWidthPx, int areaHeightPx, LoadNotes notes) {
  if (Result<platform::ReadableFile> readable = platform::ReadableFile::Open(file); !readable) {
    std::cerr << "nvxprint: cannot open '" << file << "': " << readable.failure().message << "\n";
    return kExitFailure;
  }
  // The copies boxes are reset by the load; the command line's counts come after it.
  const int xCopy = s.live.xCopy;
  const int yCopy = s.live.yCopy;
  if (Status loaded = LoadImageDocument(s, doc, file, options.IsSet("crop")); !loaded) {
    ReportFailure(loaded.failure(), kExitFailure);
    std::cerr << "nvxprint: no job made from '" << file << "'\n";
    return kExitFailure;
  }
  // A raster image is one page; vector artwork refuses a missing page as it renders.
  if (options.IsSet("page") && s.live.page > doc.image.pageCount) {
    Refuse("--page " + std::to_string(s.live.page) + ": '" + file +
           "' is a raster image, read as one page (--page chooses among the pages of a PDF or "
           "PostScript file)");
    return kExitUsage;
  }
  // Said once on stderr: the job is made all the same.
  if (notes == LoadNotes::Say && !doc.profiles.standInNotice.empty())
    std::cerr << "nvxprint: " << doc.profiles.standInNotice << "\n";
  if (notes == LoadNotes::Say && PrintsHiddenColours(s, doc))
    std::cerr << "nvxprint: " << kHiddenColoursNote << "\n";
  s.live.xCopy = xCopy;
  s.live.yCopy = yCopy;
  ApplyOptionsAfterLoad(s, options);
  if (Status oriented = OrientImage(s, doc, false); !oriented)
    return ReportFailure(oriented.failure(), kExitFailure);
  PlaceOnPage(s, doc, areaWidthPx, areaHeightPx);
  return kExitOk;
}

}  // namespace nvx::app
