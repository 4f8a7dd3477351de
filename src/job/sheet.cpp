#include "job/sheet.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "image/image_format.h"
#include "image/intake.h"
#include "image/orientation.h"
#include "image/resolution.h"
#include "platform/readable_file.h"
#include "settings/paper.h"

namespace nvx {
namespace {

std::string ItemName(const SheetItem& item) {
  return std::filesystem::path(item.file).filename().string();
}

PrintableSize SheetArea(const PrintSession& s) { return PrintableArea(s.files, s.live); }

// Larger files are loaded to be measured.
constexpr std::size_t kMeasuredFileBytes = 64 * 1024 * 1024;

// A raster image's size as a load finds it (pixels over resolution, turned as
// its Exif orientation says), from its header alone: arranging twenty designs
// should not decode each of them twice. Nothing for vector artwork and for a
// file whose header does not say.
std::optional<ItemSize> DeclaredNaturalSize(const std::string& file) {
  Result<std::string> bytes = platform::ReadRegularFile(file, kMeasuredFileBytes);
  if (!bytes) return std::nullopt;
  const ImageFormat format = SniffFormat(std::string_view(*bytes).substr(0, kSniffBytes)).format;
  if (!IsReadable(format) || IsVector(format)) return std::nullopt;
  std::optional<DeclaredSize> declared = ReadDeclaredSize(format, *bytes);
  if (!declared || declared->width == 0 || declared->height == 0) return std::nullopt;
  FileResolution resolution = ResolutionOf(format, *bytes);
  auto width = static_cast<float>(declared->width);
  auto height = static_cast<float>(declared->height);
  if (SwapsAxes(ReadExifOrientation(format, *bytes))) {
    std::swap(width, height);
    std::swap(resolution.dpi.x, resolution.dpi.y);
  }
  // As the page fit measures a loaded image: inches first, then points.
  return ItemSize{72 * (width / resolution.dpi.x), 72 * (height / resolution.dpi.y)};
}

}  // namespace

Result<ItemSize> NaturalSize(PrintSession& s, const std::string& file) {
  if (std::optional<ItemSize> declared = DeclaredNaturalSize(file)) return *declared;
  // No printable area: the load keeps the file's own resolution and turns nothing.
  const LoadOptions options{s.live.flip, s.live.backgroundRemoval, 0, 0,
                            RenderRequest{s.live.renderDpi, 1}};
  Result<LoadedImage> loaded = LoadImageFile(file, options, s.files, s.text, s.hooks);
  if (!loaded) {
    Failure failure = loaded.failure();
    failure.message = std::filesystem::path(file).filename().string() + ": " + failure.message;
    return failure;
  }
  return ItemSize{loaded->image.imageWidthPt, loaded->image.imageHeightPt};
}

ItemSize PrintedSize(const SheetItem& item, ItemSize natural) {
  const bool width = item.widthPt > 0;
  const bool height = item.heightPt > 0;
  if (width && height) return {item.widthPt, item.heightPt};
  if (!(natural.widthPt > 0) || !(natural.heightPt > 0)) return natural;
  if (width) return {item.widthPt, item.widthPt * natural.heightPt / natural.widthPt};
  if (height) return {item.heightPt * natural.widthPt / natural.heightPt, item.heightPt};
  return natural;
}

Result<std::vector<ItemSize>> ItemSizes(PrintSession& s, const Sheet& sheet) {
  std::vector<ItemSize> sizes;
  for (const SheetItem& item : sheet.items) {
    ItemSize natural;
    if (!(item.widthPt > 0 && item.heightPt > 0)) {
      Result<ItemSize> read = NaturalSize(s, item.file);
      if (!read) return read.failure();
      natural = *read;
    }
    sizes.push_back(PrintedSize(item, natural));
  }
  return sizes;
}

std::vector<PackItem> PackItems(const Sheet& sheet, const std::vector<ItemSize>& sizes) {
  std::vector<PackItem> items;
  for (std::size_t i = 0; i < sheet.items.size(); ++i) {
    const SheetItem& item = sheet.items[i];
    const ItemSize size = i < sizes.size() ? sizes[i] : ItemSize{};
    items.push_back({ItemName(item), size.widthPt, size.heightPt, item.copies, item.mayTurn});
  }
  return items;
}

Result<SheetLayout> ArrangeSheet(PrintSession& s, const Sheet& sheet,
                                 const std::vector<ItemSize>& sizes) {
  if (sheet.arrangement == SheetArrangement::Manual) return CheckPlacement(s, sheet, sizes);
  if (Status area = CheckPrintableArea(s); !area) return area.failure();
  if (sheet.items.empty()) return Fail("The sheet has no items.", Failure::Kind::Refused);
  const PrintableSize area = SheetArea(s);
  return ArrangeCopies(PackItems(sheet, sizes), area.widthPt, area.heightPt);
}

Result<SheetLayout> CheckPlacement(PrintSession& s, const Sheet& sheet,
                                   const std::vector<ItemSize>& sizes) {
  if (Status area = CheckPrintableArea(s); !area) return area.failure();
  if (sheet.items.empty()) return Fail("The sheet has no items.", Failure::Kind::Refused);
  const PrintableSize area = SheetArea(s);
  SheetLayout layout{area.widthPt, area.heightPt, {}};
  const std::vector<PackItem> items = PackItems(sheet, sizes);
  for (std::size_t i = 0; i < sheet.items.size(); ++i) {
    const SheetItem& item = sheet.items[i];
    if (static_cast<int>(item.positions.size()) != item.copies) {
      return Fail(ItemName(item) + " has " + std::to_string(item.copies) + " copies but " +
                      std::to_string(item.positions.size()) +
                      " positions: give each copy a place, or arrange the sheet again.",
                  Failure::Kind::Refused);
    }
    for (int c = 0; c < item.copies; ++c) {
      const CopyPosition& p = item.positions[static_cast<std::size_t>(c)];
      if (p.turned && !item.mayTurn) {
        return Fail(ItemName(item) + " may not be turned, but copy " + std::to_string(c + 1) +
                        " stands turned.",
                    Failure::Kind::Refused);
      }
      if (p.sheet < 0 || p.sheet >= 1000) {
        return Fail(ItemName(item) + ": copy " + std::to_string(c + 1) + " names no sheet.",
                    Failure::Kind::Refused);
      }
      if (static_cast<int>(layout.sheets.size()) <= p.sheet) layout.sheets.resize(p.sheet + 1);
      const double w = p.turned ? items[i].heightPt : items[i].widthPt;
      const double h = p.turned ? items[i].widthPt : items[i].heightPt;
      layout.sheets[p.sheet].copies.push_back(
          {static_cast<int>(i), c, p.xPt, p.yPt, w, h, p.turned});
    }
  }
  // A sheet number with no copies on it prints nothing: it is dropped.
  std::erase_if(layout.sheets, [](const SheetPage& page) { return page.copies.empty(); });
  if (Status checked = CheckLayout(items, layout); !checked) return checked.failure();
  return layout;
}

void KeepPositions(Sheet& sheet, const SheetLayout& layout) {
  for (SheetItem& item : sheet.items) {
    item.positions.assign(static_cast<std::size_t>(std::max(item.copies, 0)), CopyPosition{});
  }
  for (int s = 0; s < static_cast<int>(layout.sheets.size()); ++s) {
    for (const PlacedCopy& c : layout.sheets[s].copies) {
      if (c.item < 0 || c.item >= static_cast<int>(sheet.items.size())) continue;
      auto& positions = sheet.items[static_cast<std::size_t>(c.item)].positions;
      if (c.copy < 0 || c.copy >= static_cast<int>(positions.size())) continue;
      positions[static_cast<std::size_t>(c.copy)] = {s, c.xPt, c.yPt, c.turned};
    }
  }
  sheet.arrangement = SheetArrangement::Manual;
}

}  // namespace nvx
