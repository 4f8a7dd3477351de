#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace nvx::server {

// The media type keyword a client sends for one entry of the media list.
// Keywords survive the PPD a CUPS queue makes of the printer: lower case, a
// hyphen before a run of digits and between words, none after digits; and
// none that CUPS maps to another (its "Glossy" comes back "photographic-glossy").
struct MediaTypeKeyword {
  int textEntry;  // the media list's text-table entry
  std::string_view keyword;
};
std::span<const MediaTypeKeyword> MediaTypeKeywords();

// The tray list's entries as media sources: AUTO, MultiPurpose Tray, Tray 1.
struct MediaSourceKeyword {
  std::size_t textEntry;
  std::string_view keyword;
};
std::span<const MediaSourceKeyword> MediaSourceKeywords();

// The white-toner settings a job or the printer's defaults may carry, beyond
// IPP's own attributes.
enum class VendorKind { Integer, Boolean, Keyword };
struct VendorAttribute {
  std::string_view name;
  VendorKind kind;
  int min = 0;  // integers
  int max = 0;
};
std::span<const VendorAttribute> VendorAttributes();
const VendorAttribute* FindVendorAttribute(std::string_view name);

inline constexpr std::string_view kTonerOrderWhiteLast = "white-last";
inline constexpr std::string_view kTonerOrderWhiteFirst = "white-first";

// A paper of the model's list and the IPP media name it is offered as.
struct OfferedPaper {
  std::string paper;  // the paper list's text
  std::string media;  // PWG self-describing name, e.g. iso_a4_210x297mm
};

// What one printer prints with when a job asks for nothing else: the model,
// its preset applied to a fresh session, and the lists the printer offers.
struct PrinterDefaults {
  std::string modelKey;
  std::string preset;  // a preset name or file; empty: none
  std::string paper;
  std::string tray;
  std::string media;                                       // the media list's text
  std::map<std::string, std::string, std::less<>> vendor;  // name: IPP value text
  std::vector<OfferedPaper> papers;
  // The custom sizes the model feeds, as PWG names "custom_min_..." and
  // "custom_max_..."; any size between them may be asked for.
  std::string customMin;
  std::string customMax;
  std::vector<std::string> mediaTexts;  // in the order of MediaTypeKeywords()
  std::vector<std::string> trayTexts;   // in the order of MediaSourceKeywords()
};

// Opens a session for the model in the current settings folders, applies the
// preset and reads back what it decided. Fails for an unknown model or preset.
Result<PrinterDefaults> ReadPrinterDefaults(std::string_view modelKey, std::string_view preset);

// What one job asks for, in IPP's words; empty or 0 where it asks for nothing.
struct JobRequest {
  std::string media;        // PWG size name
  std::string mediaSource;  // keyword
  std::string mediaType;    // keyword
  int copies = 0;
  int quality = 0;  // IPP print-quality enum: 3 draft, 4 normal, 5 high
  std::map<std::string, std::string, std::less<>> vendor;
};

// The `nvxprint print` options that make the job the request asks for. Only
// what differs from the printer's defaults is named: choosing the paper again
// would put back the margins the preset replaced, so an unchanged job is the
// same as `nvxprint print --model M --preset P`. Refused for media, sources,
// types or values the printer does not offer.
Result<std::vector<std::string>> PrintArguments(const PrinterDefaults& defaults,
                                                const JobRequest& job);

// The paper a custom size of the job (one the printer does not offer) is
// printed on: the model's range holds it. `add` are the `nvxprint` arguments
// that store it as a custom paper size, `name` the paper list's name for it.
struct CustomSizePaper {
  std::string name;
  std::vector<std::string> add;
};
std::optional<CustomSizePaper> CustomSizeFor(const PrinterDefaults& defaults,
                                             std::string_view media);

// The paper for a PWG media name: the paper offered under that name, else the
// first whose size is within a millimetre of the name's.
const OfferedPaper* FindOfferedPaper(const std::vector<OfferedPaper>& papers,
                                     std::string_view media);

// Driver names: "oki_" and the model key in lower case, then "+PRESET" when a
// preset rides on the printer ("oki_c711wt+Foil").
std::string DriverName(std::string_view modelKey, std::string_view preset = {});
struct DriverChoice {
  std::string modelKey;
  std::string preset;
};
std::optional<DriverChoice> ParseDriverName(std::string_view driverName);

}  // namespace nvx::server
