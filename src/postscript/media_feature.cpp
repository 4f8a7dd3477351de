#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "base/text.h"
#include "lang/text_entries.h"
#include "postscript/features.h"
#include "postscript/job_text.h"

namespace nvx {
namespace {

constexpr int kLastPlainClass = 12;

// Transfer media are recognised by their list text in the current language.
struct TransferMedium {
  std::size_t textEntry;
  int code;
};

constexpr std::array<TransferMedium, 16> kTransferMedia{{
    {114, 13},  // KTC3.1
    {115, 14},  // KTC3.1+
    {194, 15},  // P.Uno White
    {198, 16},  // P.Foil
    {117, 17},  // UBM5.4
    {119, 18},  // Duo7.8 mSheet (Magenta)
    {256, 28},  // Nivalux QTT Paper
    {142, 19},  // Duo7.8 tSheet (yellow)
    {118, 20},  // ZPM6.2
    {195, 22},  // HST 9.1
    {116, 23},  // QDT4.5
    {120, 24},  // YRD8.1
    {257, 29},  // Nivalux QTT Film
    {113, 25},  // Dermafilm 2.1
    {140, 26},  // VPP1.2
    {141, 27},  // All GPF
}};

constexpr int kDarkFoilCode = 30;

// The 8432 printers take UBM5.4 and Dermafilm with other media settings.
int AdjustedCode(const TransferMedium& medium, std::string_view modelKey, const TextTable& text) {
  const bool is8432 = Contains(modelKey, "8432");
  if (medium.textEntry == entry::kFoil && ContainsIgnoreCase(text[entry::kFoil], "dark")) {
    return kDarkFoilCode;
  }
  if (medium.textEntry == entry::kUbm && is8432) return 8;
  if (medium.textEntry == entry::kDermafilm && is8432) return 14;
  return medium.code;
}

// How a media option's block differs from the common form: a few options
// carry stray blanks that the printer's drivers have always sent.
struct MediaSpacing {
  std::string_view afterBegin = "";  // the line after the BeginFeature line
  bool lineAfterBegin = true;
  bool beginBlank = false;  // trailing blanks of single lines
  bool driverOpsBlank = false;
  bool globalBlank = false;
  bool argumentsBlank = false;
  bool closeBlank = false;
};

struct MediaOption {
  std::vector<int> codes;
  std::string_view name;
  bool weightOption;  // plain paper weights read the media type from globaldict
  std::vector<std::string> arguments;
  MediaSpacing spacing;
};

std::string WeightArguments(std::string_view grams) {
  return " null " + std::string(grams) + " false dup 7 -1 roll /custsetpd get exec";
}

constexpr std::string_view kPrinterDefault = "PRINTERDEFAULT";
const std::string kLabels1 = " null (Labels) null 120 false true 7 -1 roll /custsetpd get exec";
const std::string kLabels2 = " null (Labels) null 188 false true 7 -1 roll /custsetpd get exec";

// The first row that lists the code wins; codes listed nowhere print as Labels1.
const std::vector<MediaOption>& MediaOptions() {
  static const std::vector<MediaOption> options = {
      {{1}, kPrinterDefault, false, {}, {}},
      {{2}, "LIGHT", true, {WeightArguments("74")}, {}},
      {{3},
       "MEDIUMLIGHT",
       true,
       {WeightArguments("82")},
       {.lineAfterBegin = false, .beginBlank = true, .globalBlank = true}},
      {{4, 20, 21, 22},
       "MEDIUM",
       true,
       {WeightArguments("104")},
       {.afterBegin = " ",
        .beginBlank = true,
        .driverOpsBlank = true,
        .globalBlank = true,
        .argumentsBlank = true,
        .closeBlank = true}},
      {{5, 13, 24}, "HEAVY", true, {WeightArguments("120")}, {}},
      {{6, 14, 26, 30}, "ULTRAHEAVY1", true, {WeightArguments("188")}, {.argumentsBlank = true}},
      {{7}, "ULTRAHEAVY2", true, {WeightArguments("220")}, {}},
      {{8}, "ULTRAHEAVY3", true, {WeightArguments("250")}, {}},
      {{9, 23, 27}, "Labels1", false, {kLabels1}, {}},
      {{10, 17}, "Labels2", false, {kLabels2}, {}},
      {{11},
       "GLOSSY",
       false,
       {" null (Glossy) null 188 false dup 7 -1 roll /custsetpd get exec"},
       {}},
      {{12, 29},
       "Transparency",
       false,
       {" null (Transparency) null dup false",
        " statusdict /papertray 2 copy known{get exec dup 4 eq exch 1 eq or not}{pop pop "
        "false}ifelse ",
        " 7 -1 roll /custsetpd get exec"},
       {.afterBegin = " "}},
      {{18, 19, 28}, "Labels2", false, {kLabels2}, {}},
      {{}, "Labels1", false, {kLabels1}, {}},
  };
  return options;
}

// P.Uno White and P.Foil print as Ultra Heavy 1 on the larger families, else as Heavy.
int EffectiveCode(int mediaCode, int familyCode) {
  constexpr int kHeavy = 5, kUltraHeavy1 = 6;
  if (mediaCode == 15 || mediaCode == 16) return familyCode > 1 ? kUltraHeavy1 : kHeavy;
  return mediaCode;
}

const MediaOption& OptionFor(int mediaCode, int familyCode) {
  const int code = EffectiveCode(mediaCode, familyCode);
  for (const MediaOption& option : MediaOptions()) {
    if (std::find(option.codes.begin(), option.codes.end(), code) != option.codes.end()) {
      return option;
    }
  }
  return MediaOptions().back();
}

std::string WithBlank(std::string_view line, bool blank) {
  return blank ? std::string(line) + " " : std::string(line);
}

}  // namespace

int MediaCodeFor(int storedNumber, std::string_view mediaText, std::string_view modelKey,
                 const TextTable& text) {
  if (storedNumber <= kLastPlainClass) return storedNumber;
  int code = storedNumber;
  for (const TransferMedium& medium : kTransferMedia) {
    const std::string& entry = text[medium.textEntry];
    if (!entry.empty() && EqualsIgnoreCase(mediaText, entry))
      code = AdjustedCode(medium, modelKey, text);
  }
  return code;
}

std::string BuildMediaFeature(int mediaCode, int familyCode) {
  const MediaOption& option = OptionFor(mediaCode, familyCode);
  std::string out;
  if (option.name == kPrinterDefault) {
    FeatureBlock(out, "OKMediaType PRINTERDEFAULT", {""});
    return out;
  }
  const MediaSpacing& s = option.spacing;
  Line(out, "featurebegin{");
  Line(out, WithBlank("%%BeginFeature: *OKMediaType " + std::string(option.name), s.beginBlank));
  if (s.lineAfterBegin) Line(out, s.afterBegin);
  Line(out, WithBlank("/DriverOps /ProcSet 2 copy resourcestatus{", s.driverOpsBlank));
  Line(out, WithBlank(" pop pop findresource", s.driverOpsBlank));
  if (option.weightOption) {
    Line(out, WithBlank(" null globaldict /OK@MediaType 2 copy known{get}{pop pop (Plain)}ifelse",
                        s.globalBlank));
  }
  for (const std::string& arguments : option.arguments) {
    Line(out, WithBlank(arguments, s.argumentsBlank));
  }
  Line(out, WithBlank("}{pop pop}ifelse", s.closeBlank));
  Lines(out, {"%%EndFeature", "}featurecleanup "});
  return out;
}

}  // namespace nvx
