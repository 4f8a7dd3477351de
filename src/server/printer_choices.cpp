#include "server/printer_choices.h"

#include <cups/cups.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "base/text.h"
#include "image/white_choke.h"
#include "job/presets.h"
#include "job/print_controls.h"
#include "job/print_session.h"
#include "lang/text_entries.h"
#include "printers/media.h"
#include "printers/models.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/paper_limits.h"
#include "settings/toner_order.h"

namespace nvx::server {
namespace {

// In the media list's order (printers/media.cpp).
constexpr std::array<MediaTypeKeyword, 27> kMediaTypes{{
    {101, "printer-setting"},
    {114, "ktc-31"},
    {115, "ktc-31plus"},
    {194, "uno-white"},
    {198, "foil"},
    {117, "ubm-54"},
    {119, "duo-78msheet"},
    {142, "duo-78tsheet"},
    {256, "nivalux-qtt-paper"},
    {257, "nivalux-qtt-film"},
    {118, "zpm-62"},
    {195, "hst-91"},
    {116, "qdt-45"},
    {120, "yrd-81"},
    {113, "dermafilm-21"},
    {141, "all-gpf"},
    {102, "light"},
    {103, "medium-light"},
    {104, "medium"},
    {105, "heavy"},
    {106, "ultra-heavy-1"},
    {107, "ultra-heavy-2"},
    {108, "ultra-heavy-3"},
    {109, "labels-1"},
    {110, "labels-2"},
    {111, "photographic-glossy"},
    {112, "films"},
}};

constexpr std::array<MediaSourceKeyword, 3> kMediaSources{{
    {entry::kTrayAuto, "auto"},
    {entry::kTrayMultiPurpose, "by-pass-tray"},
    {entry::kTray1, "tray-1"},
}};

// White choke travels as hundredths of a millimetre: IPP has no fractions.
constexpr int kChokeHundredths = 100;

const std::array<VendorAttribute, 9>& VendorTable() {
  static const std::array<VendorAttribute, 9> table{{
      {control::kWhiteDensity, VendorKind::Integer, FindPrintControl(control::kWhiteDensity)->min,
       FindPrintControl(control::kWhiteDensity)->max},
      {control::kWhiteThreshold, VendorKind::Integer,
       FindPrintControl(control::kWhiteThreshold)->min,
       FindPrintControl(control::kWhiteThreshold)->max},
      {"threshold-on", VendorKind::Boolean},
      {"print-white", VendorKind::Boolean},
      {"print-cmy", VendorKind::Boolean},
      {"mirror", VendorKind::Boolean},
      {"toner-order", VendorKind::Keyword},
      {"white-choke", VendorKind::Integer, 0,
       static_cast<int>(kMaxWhiteChokeMm * kChokeHundredths)},
      {"background-removal", VendorKind::Boolean},
  }};
  return table;
}

std::string BooleanText(bool value) { return value ? "true" : "false"; }

// Hundredths of a millimetre, as PWG media names measure.
int Hundredths(double points) { return static_cast<int>(std::lround(points * 2540.0 / 72.0)); }

struct PaperSize {
  int width = 0;  // hundredths of a millimetre
  int length = 0;
};

std::optional<PaperSize> SizeOf(const std::string& paper, const std::vector<CustomPaper>& custom) {
  for (const CustomPaper& c : custom) {
    if (c.name == paper) return PaperSize{Hundredths(c.widthPt), Hundredths(c.heightPt)};
  }
  if (const StandardPaper* standard = FindStandardPaper(paper))
    return PaperSize{Hundredths(standard->widthPt), Hundredths(standard->heightPt)};
  return std::nullopt;
}

// The size a PWG media name gives. CUPS makes the size of a custom name in
// one buffer that the next such name overwrites: it is copied at once.
std::optional<PaperSize> PwgSize(std::string_view name) {
  const pwg_media_t* pwg = pwgMediaForPWG(std::string(name).c_str());
  if (!pwg) return std::nullopt;
  return PaperSize{pwg->width, pwg->length};
}

// A keyword of the paper's text for a custom size name: a-z, 0-9 and hyphens.
std::string SizeKeyword(std::string_view paper) {
  std::string keyword;
  for (char c : paper) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum) {
      keyword += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    } else if (!keyword.empty() && keyword.back() != '-') {
      keyword += '-';
    }
  }
  while (!keyword.empty() && keyword.back() == '-') keyword.pop_back();
  return keyword.empty() ? "paper" : keyword;
}

// Each paper under the standard name of its size when no other paper of the
// list has taken it (the paper named like the size first), else as a custom
// size of its own name.
std::vector<OfferedPaper> OfferPapers(const std::vector<std::string>& list,
                                      const std::vector<CustomPaper>& custom) {
  std::vector<OfferedPaper> offered;
  std::vector<std::string> standardTaken;
  auto offer = [&](const std::string& paper, bool namedLikeSizeOnly) {
    std::optional<PaperSize> size = SizeOf(paper, custom);
    if (!size) return;
    // CUPS names any size; a name of its own ("custom_...") is no standard size.
    pwg_media_t* pwg = pwgMediaForSize(size->width, size->length);
    if (pwg && std::string_view(pwg->pwg).starts_with("custom_")) pwg = nullptr;
    const bool namedLikeSize = pwg && pwg->ppd && EqualsIgnoreCase(pwg->ppd, paper);
    if (namedLikeSizeOnly != namedLikeSize) return;
    if (pwg && std::ranges::find(standardTaken, pwg->pwg) == standardTaken.end()) {
      standardTaken.push_back(pwg->pwg);
      offered.push_back({paper, pwg->pwg});
      return;
    }
    char name[128];
    pwgFormatSizeName(name, sizeof(name), "custom", SizeKeyword(paper).c_str(), size->width,
                      size->length, "mm");
    offered.push_back({paper, name});
  };
  for (const std::string& paper : list) offer(paper, true);
  for (const std::string& paper : list) offer(paper, false);
  // In the list's order again.
  std::vector<OfferedPaper> ordered;
  for (const std::string& paper : list) {
    auto it = std::ranges::find(offered, paper, &OfferedPaper::paper);
    if (it != offered.end()) ordered.push_back(*it);
  }
  return ordered;
}

// Millimetres as custom paper sizes measure them (the paper size dialog's factor).
double Millimetres(double points) {
  return points / PaperLengthToPoints(1, DisplayUnit::Millimetres);
}

// The model's custom size range in hundredths of a millimetre, inside its limits.
std::string CustomSizeName(const char* which, double widthPt, double heightPt, bool least) {
  auto hundredths = [least](double points) {
    const double value = Millimetres(points) * 100;
    return static_cast<int>(least ? std::ceil(value - 1e-6) : std::floor(value + 1e-6));
  };
  char name[128];
  pwgFormatSizeName(name, sizeof(name), "custom", which, hundredths(widthPt), hundredths(heightPt),
                    "mm");
  return name;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

// The options for one white-toner setting whose value differs from the default.
Status AddVendorArguments(const VendorAttribute& attribute, const std::string& value,
                          std::vector<std::string>& args) {
  const std::string name(attribute.name);
  auto refused = [&] {
    return Fail("the value '" + value + "' of " + name + " is not supported",
                Failure::Kind::Refused);
  };
  switch (attribute.kind) {
    case VendorKind::Integer: {
      std::optional<long long> number = ParseWholeNumber(value);
      if (!number || *number < attribute.min || *number > attribute.max) return refused();
      if (name == "white-choke") {
        args.insert(args.end(),
                    {"--white-choke", FormatAtMostDecimals(*number / double(kChokeHundredths), 2)});
      } else {
        args.insert(args.end(), {"--" + name, std::to_string(*number)});
      }
      return {};
    }
    case VendorKind::Boolean: {
      if (value != "true" && value != "false") return refused();
      const bool on = value == "true";
      if (name == "threshold-on") {
        args.push_back(on ? "--threshold-on" : "--threshold-off");
      } else if (name == "background-removal") {
        // The command line can only turn it on; the defaults never have it on.
        if (on) args.push_back("--background-removal");
      } else {
        args.push_back(on ? "--" + name : "--no-" + name);
      }
      return {};
    }
    case VendorKind::Keyword:
      if (value != kTonerOrderWhiteLast && value != kTonerOrderWhiteFirst) return refused();
      args.insert(args.end(),
                  {"--toner-order", value == kTonerOrderWhiteLast ? std::string(kWhiteLastText)
                                                                  : std::string(kWhiteFirstText)});
      return {};
  }
  return refused();
}

template <typename Keywords>
const std::string* TextForKeyword(const Keywords& keywords, const std::vector<std::string>& texts,
                                  std::string_view keyword) {
  for (std::size_t i = 0; i < keywords.size() && i < texts.size(); ++i) {
    if (keywords[i].keyword == keyword) return &texts[i];
  }
  return nullptr;
}

}  // namespace

std::span<const MediaTypeKeyword> MediaTypeKeywords() { return kMediaTypes; }
std::span<const MediaSourceKeyword> MediaSourceKeywords() { return kMediaSources; }
std::span<const VendorAttribute> VendorAttributes() { return VendorTable(); }

const VendorAttribute* FindVendorAttribute(std::string_view name) {
  for (const VendorAttribute& attribute : VendorTable()) {
    if (attribute.name == name) return &attribute;
  }
  return nullptr;
}

Result<PrinterDefaults> ReadPrinterDefaults(std::string_view modelKey, std::string_view preset) {
  PrintSession s;
  if (Result<Notes> opened = OpenPrintSession(s, modelKey); !opened) return opened.failure();
  PrinterDefaults d;
  d.modelKey = s.modelKey;
  if (!preset.empty()) {
    std::optional<std::filesystem::path> file = FindPreset(preset);
    if (!file) return Fail("no preset '" + std::string(preset) + "'", Failure::Kind::Refused);
    if (Result<Notes> read = ReadPreset(s, *file, PresetScope::ThisRun); !read) {
      return read.failure();
    }
    d.preset = std::string(preset);
  }
  const LiveSettings& live = s.live;
  d.paper = live.paperName;
  d.tray = live.paperTray;
  d.media = live.mediaType;
  d.vendor = {
      {std::string(control::kWhiteDensity), std::to_string(live.whiteMaskPercent)},
      {std::string(control::kWhiteThreshold), std::to_string(live.tonerPercent)},
      {"threshold-on", BooleanText(live.thresholdOn)},
      {"print-white", BooleanText(live.printWhite)},
      {"print-cmy", BooleanText(live.printCmy)},
      {"mirror", BooleanText(live.mirrorOn)},
      {"toner-order",
       std::string(live.tonerOrder == TonerOrder::WhiteFirst ? kTonerOrderWhiteFirst
                                                             : kTonerOrderWhiteLast)},
      {"white-choke", std::to_string(std::lround(live.whiteChokeMm * kChokeHundredths))},
      {"background-removal", BooleanText(live.backgroundRemoval)},
  };
  d.papers = OfferPapers(s.paperList, ReadCustomPapers(s.files));
  const PaperSizeLimits& limits = CustomPaperLimits(PrinterClassFromModel(d.modelKey));
  d.customMin = CustomSizeName("min", limits.minWidthPt, limits.minHeightPt, true);
  d.customMax = CustomSizeName("max", limits.maxWidthPt, limits.maxHeightPt, false);
  for (const MediaTypeKeyword& media : kMediaTypes) d.mediaTexts.push_back(s.text[media.textEntry]);
  for (const MediaSourceKeyword& source : kMediaSources)
    d.trayTexts.push_back(s.text[source.textEntry]);
  return d;
}

const OfferedPaper* FindOfferedPaper(const std::vector<OfferedPaper>& papers,
                                     std::string_view media) {
  for (const OfferedPaper& paper : papers) {
    if (paper.media == media) return &paper;
  }
  const std::optional<PaperSize> wanted = PwgSize(media);
  if (!wanted) return nullptr;
  constexpr int kMillimetre = 100;
  for (const OfferedPaper& paper : papers) {
    const std::optional<PaperSize> offered = PwgSize(paper.media);
    if (offered && std::abs(offered->width - wanted->width) <= kMillimetre &&
        std::abs(offered->length - wanted->length) <= kMillimetre)
      return &paper;
  }
  return nullptr;
}

std::optional<CustomSizePaper> CustomSizeFor(const PrinterDefaults& d, std::string_view media) {
  const std::optional<PaperSize> size = PwgSize(media);
  const std::optional<PaperSize> least = PwgSize(d.customMin);
  const std::optional<PaperSize> most = PwgSize(d.customMax);
  if (!size || !least || !most || size->width < least->width || size->width > most->width ||
      size->length < least->length || size->length > most->length)
    return std::nullopt;
  const std::string width = FormatAtMostDecimals(size->width / 100.0, 2);
  const std::string length = FormatAtMostDecimals(size->length / 100.0, 2);
  CustomSizePaper paper{"Custom " + width + "x" + length + "mm", {}};
  paper.add = {"paper", "add",    paper.name, "--width", width,     "--height",
               length,  "--unit", "mm",       "--model", d.modelKey};
  return paper;
}

Result<std::vector<std::string>> PrintArguments(const PrinterDefaults& d, const JobRequest& job) {
  std::vector<std::string> args{"--model", d.modelKey};
  if (!d.preset.empty()) args.insert(args.end(), {"--preset", d.preset});
  if (!job.media.empty()) {
    const OfferedPaper* paper = FindOfferedPaper(d.papers, job.media);
    std::optional<CustomSizePaper> custom;
    if (!paper) custom = CustomSizeFor(d, job.media);
    if (!paper && !custom)
      return Fail("the media '" + job.media + "' is not offered", Failure::Kind::Refused);
    if (custom) args.insert(args.end(), {"--paper", custom->name});
    if (paper && paper->paper != d.paper) args.insert(args.end(), {"--paper", paper->paper});
  }
  if (!job.mediaSource.empty()) {
    const std::string* tray = TextForKeyword(kMediaSources, d.trayTexts, job.mediaSource);
    if (!tray)
      return Fail("the media-source '" + job.mediaSource + "' is not offered",
                  Failure::Kind::Refused);
    if (*tray != d.tray) args.insert(args.end(), {"--tray", *tray});
  }
  if (!job.mediaType.empty()) {
    const std::string* media = TextForKeyword(kMediaTypes, d.mediaTexts, job.mediaType);
    if (!media)
      return Fail("the media-type '" + job.mediaType + "' is not offered", Failure::Kind::Refused);
    if (*media != d.media) args.insert(args.end(), {"--media", *media});
  }
  if (job.copies > 1) args.insert(args.end(), {"--copies", std::to_string(job.copies)});
  // Vector artwork is drawn at the resolution the quality asks for.
  constexpr int kDraft = 3;
  constexpr int kHigh = 5;
  if (job.quality == kDraft) args.insert(args.end(), {"--render-dpi", "150"});
  if (job.quality == kHigh) args.insert(args.end(), {"--render-dpi", "600"});
  for (const VendorAttribute& attribute : VendorTable()) {
    auto asked = job.vendor.find(attribute.name);
    if (asked == job.vendor.end()) continue;
    auto standing = d.vendor.find(attribute.name);
    if (standing != d.vendor.end() && standing->second == asked->second) continue;
    if (Status added = AddVendorArguments(attribute, asked->second, args); !added)
      return added.failure();
  }
  return args;
}

std::string DriverName(std::string_view modelKey, std::string_view preset) {
  std::string name = "oki_" + Lower(modelKey);
  if (!preset.empty()) name += "+" + std::string(preset);
  return name;
}

std::optional<DriverChoice> ParseDriverName(std::string_view driverName) {
  const std::size_t plus = driverName.find('+');
  const std::string_view model = driverName.substr(0, plus);
  if (!model.starts_with("oki_")) return std::nullopt;
  std::optional<std::string> key = FindModelKey(model.substr(4));
  if (!key) return std::nullopt;
  DriverChoice choice{*key, {}};
  if (plus != std::string_view::npos) choice.preset = std::string(driverName.substr(plus + 1));
  return choice;
}

}  // namespace nvx::server
