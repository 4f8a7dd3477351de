#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "job/presets.h"
#include "printers/models.h"
#include "server/printer_choices.h"
#include "server/server_app.h"
#include "server/server_jobs.h"

namespace nvx::server {
namespace {

// A quarter of an inch: the least the printers leave on every side.
constexpr int kMarginHundredthsMm = 423;
constexpr int kResolutionDpi = 300;
constexpr int kPagesPerMinute = 30;

struct DriverText {
  std::string name;
  std::string description;
};

struct PresetChoice {
  std::string preset;  // as FindPreset takes it
  std::string title;
};

// The installed presets by name, and the shop's own (.svcfg files in the
// state folder's "presets") by file.
std::vector<PresetChoice> PresetChoices() {
  std::vector<PresetChoice> choices;
  for (std::string preset : ListBuiltInPresets()) {
    if (preset.ends_with(kPresetExtension)) preset.resize(preset.size() - kPresetExtension.size());
    choices.push_back({preset, preset});
  }
  std::error_code ec;
  std::vector<std::filesystem::path> own;
  for (const auto& entry : std::filesystem::directory_iterator(Places().state / "presets", ec)) {
    if (entry.path().extension() == kPresetExtension) own.push_back(entry.path());
  }
  std::sort(own.begin(), own.end());
  for (const auto& file : own) choices.push_back({file.string(), file.stem().string()});
  return choices;
}

const std::vector<DriverText>& DriverTexts() {
  static const std::vector<DriverText> texts = [] {
    std::vector<DriverText> all;
    const std::vector<PresetChoice> presets = PresetChoices();
    for (const std::string& key : KnownModelKeys()) {
      all.push_back({DriverName(key), "OKI " + key});
      for (const PresetChoice& preset : presets)
        all.push_back({DriverName(key, preset.preset), "OKI " + key + ", " + preset.title});
    }
    return all;
  }();
  return texts;
}

template <typename Keywords>
const char* KeywordOf(const Keywords& keywords, const std::vector<std::string>& texts,
                      const std::string& text) {
  for (std::size_t i = 0; i < keywords.size() && i < texts.size(); ++i) {
    if (texts[i] == text) return keywords[i].keyword.data();
  }
  return keywords.front().keyword.data();
}

void SetMedia(pappl_media_col_t& media, const std::string& sizeName, const char* source,
              const char* type) {
  std::snprintf(media.size_name, sizeof(media.size_name), "%s", sizeName.c_str());
  std::snprintf(media.source, sizeof(media.source), "%s", source);
  std::snprintf(media.type, sizeof(media.type), "%s", type);
  if (pwg_media_t* pwg = pwgMediaForPWG(sizeName.c_str())) {
    media.size_width = pwg->width;
    media.size_length = pwg->length;
  }
  media.left_margin = media.right_margin = kMarginHundredthsMm;
  media.top_margin = media.bottom_margin = kMarginHundredthsMm;
}

void FillMedia(pappl_pr_driver_data_t& data, const PrinterDefaults& d) {
  std::string defaultSize;
  for (const OfferedPaper& paper : d.papers) {
    if (data.num_media == PAPPL_MAX_MEDIA) break;
    data.media[data.num_media++] = paper.media.c_str();
    if (paper.paper == d.paper) defaultSize = paper.media;
  }
  if (defaultSize.empty() && !d.papers.empty()) defaultSize = d.papers.front().media;
  // Any size the model feeds, beside the list.
  for (const std::string* bound : {&d.customMin, &d.customMax}) {
    if (data.num_media < PAPPL_MAX_MEDIA) data.media[data.num_media++] = bound->c_str();
  }
  for (const MediaSourceKeyword& source : MediaSourceKeywords())
    data.source[data.num_source++] = source.keyword.data();
  for (const MediaTypeKeyword& type : MediaTypeKeywords())
    data.type[data.num_type++] = type.keyword.data();
  const char* type = KeywordOf(MediaTypeKeywords(), d.mediaTexts, d.media);
  SetMedia(data.media_default, defaultSize, KeywordOf(MediaSourceKeywords(), d.trayTexts, d.tray),
           type);
  for (int i = 0; i < data.num_source; ++i)
    SetMedia(data.media_ready[i], defaultSize, data.source[i], type);
}

// The white-toner settings as vendor attributes: what each accepts and the
// preset's value as the printer's default.
ipp_t* VendorAttributesFor(pappl_pr_driver_data_t& data, const PrinterDefaults& d) {
  ipp_t* attributes = ippNew();
  for (const VendorAttribute& attribute : VendorAttributes()) {
    const std::string name(attribute.name);
    data.vendor[data.num_vendor++] = attribute.name.data();
    const std::string& value = d.vendor.at(name);
    const std::string supported = name + "-supported";
    const std::string standing = name + "-default";
    switch (attribute.kind) {
      case VendorKind::Integer:
        ippAddRange(attributes, IPP_TAG_PRINTER, supported.c_str(), attribute.min, attribute.max);
        ippAddInteger(attributes, IPP_TAG_PRINTER, IPP_TAG_INTEGER, standing.c_str(),
                      std::atoi(value.c_str()));
        break;
      case VendorKind::Boolean:
        ippAddBoolean(attributes, IPP_TAG_PRINTER, supported.c_str(), 1);
        ippAddBoolean(attributes, IPP_TAG_PRINTER, standing.c_str(), value == "true");
        break;
      case VendorKind::Keyword: {
        const char* orders[] = {kTonerOrderWhiteLast.data(), kTonerOrderWhiteFirst.data()};
        ippAddStrings(attributes, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
                      supported.c_str(), CanSwitchTonerOrder(d.modelKey) ? 2 : 1, nullptr, orders);
        ippAddString(attributes, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD), standing.c_str(),
                     nullptr, value.c_str());
        break;
      }
    }
  }
  return attributes;
}

void DeleteExtension(pappl_printer_t*, pappl_pr_driver_data_t* data) {
  delete static_cast<PrinterExtension*>(data->extension);
  data->extension = nullptr;
}

}  // namespace

std::vector<pappl_pr_driver_t>& Drivers() {
  static std::vector<pappl_pr_driver_t> drivers = [] {
    std::vector<pappl_pr_driver_t> all;
    for (const DriverText& text : DriverTexts())
      all.push_back({text.name.c_str(), text.description.c_str(), nullptr, nullptr});
    return all;
  }();
  return drivers;
}

bool MakeDriver(pappl_system_t* system, const char* driverName, const char*, const char*,
                pappl_pr_driver_data_t* data, ipp_t** attributes, void*) {
  std::optional<DriverChoice> choice = ParseDriverName(driverName ? driverName : "");
  if (!choice) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "No driver '%s'.", driverName ? driverName : "");
    return false;
  }
  Result<PrinterDefaults> defaults = ReadPrinterDefaults(choice->modelKey, choice->preset);
  if (!defaults) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "Driver '%s': %s", driverName,
             defaults.failure().message.c_str());
    return false;
  }
  auto extension = std::make_unique<PrinterExtension>(PrinterExtension{std::move(*defaults)});
  const PrinterDefaults& d = extension->defaults;
  data->format = kNativeFormat;
  data->printfile_cb = RefuseNativeJob;
  std::snprintf(data->make_and_model, sizeof(data->make_and_model), "OKI %s", d.modelKey.c_str());
  data->ppm = data->ppm_color = kPagesPerMinute;
  data->kind = PAPPL_KIND_DOCUMENT;
  data->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR;
  data->color_default = PAPPL_COLOR_MODE_COLOR;
  data->content_default = PAPPL_CONTENT_AUTO;
  data->quality_default = IPP_QUALITY_NORMAL;
  data->scaling_default = PAPPL_SCALING_AUTO;
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8;
  data->num_resolution = 1;
  data->x_resolution[0] = data->y_resolution[0] = kResolutionDpi;
  data->x_default = data->y_default = kResolutionDpi;
  data->left_right = data->bottom_top = kMarginHundredthsMm;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;
  FillMedia(*data, d);
  *attributes = VendorAttributesFor(*data, d);
  AddRasterCallbacks(*data);
  data->extension = extension.release();
  data->delete_cb = DeleteExtension;
  return true;
}

}  // namespace nvx::server
