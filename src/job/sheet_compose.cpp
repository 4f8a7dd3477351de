// A sheet's page: every item loaded, converted, turned and separated on its
// own, and its planes set into one raster of the printable area.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "image/grid_scale.h"
#include "image/white_choke.h"
#include "job/costing.h"
#include "job/image_document.h"
#include "job/sheet.h"
#include "lang/text_entries.h"
#include "platform/huge_pages.h"
#include "settings/paper.h"

namespace nvx {
namespace {

constexpr int kPlanes = 5;

// The copies of one item standing one way on one sheet.
struct CopyGroup {
  int item = 0;
  bool turned = false;
  std::vector<PlacedCopy> copies;
};

std::vector<CopyGroup> GroupCopies(const SheetPage& page) {
  std::vector<CopyGroup> groups;
  for (const PlacedCopy& c : page.copies) {
    auto at = std::find_if(groups.begin(), groups.end(), [&](const CopyGroup& g) {
      return g.item == c.item && g.turned == c.turned;
    });
    if (at == groups.end()) at = groups.insert(groups.end(), CopyGroup{c.item, c.turned, {}});
    at->copies.push_back(c);
  }
  std::sort(groups.begin(), groups.end(), [](const CopyGroup& a, const CopyGroup& b) {
    return a.item != b.item ? a.item < b.item : a.turned < b.turned;
  });
  return groups;
}

// Puts the session's live settings back however the items left them.
class LiveSettingsKept {
 public:
  explicit LiveSettingsKept(PrintSession& s) : s_(s), saved_(s.live) {}
  ~LiveSettingsKept() { s_.live = saved_; }
  LiveSettingsKept(const LiveSettingsKept&) = delete;
  LiveSettingsKept& operator=(const LiveSettingsKept&) = delete;
  const LiveSettings& Saved() const { return saved_; }

 private:
  PrintSession& s_;
  LiveSettings saved_;
};

int Pixels(double pt, int dpi) { return static_cast<int>(std::lround(pt * dpi / 72.0)); }

std::string ItemFileName(const Sheet& sheet, int item) {
  return std::filesystem::path(sheet.items[static_cast<std::size_t>(item)].file)
      .filename()
      .string();
}

// Loads and converts an item with the sheet's settings; vector artwork is
// drawn at the sheet's resolution, so it needs no resampling.
Status LoadItem(PrintSession& s, const Sheet& sheet, const LiveSettings& base, int item,
                ImageDocument& doc, TransformCache& conversions) {
  s.live = base;
  s.live.renderDpi = sheet.dpi;
  Status loaded = LoadImageDocument(s, doc, sheet.items[static_cast<std::size_t>(item)].file, false,
                                    &conversions);
  if (loaded) return loaded;
  Failure failure = loaded.failure();
  failure.message = ItemFileName(sheet, item) + ": " + failure.message;
  return failure;
}

// Stands the loaded item as its copies stand. The whole sheet is mirrored,
// so each item is mirrored here and placed at its mirrored place.
Status StandItem(PrintSession& s, const LiveSettings& base, ImageDocument& doc, bool turned,
                 bool keepImage) {
  s.live.rotate = turned;
  s.live.mirrorOn = base.mirrorOn;
  return OrientImage(s, doc, keepImage);
}

Result<SeparatedPlanes> SeparateItem(PrintSession& s, ImageDocument& doc) {
  SeparationOptions options;
  options.foil = IsFoilMedia(s.live, s.text);
  options.blackFuzzy = s.Settings().blackFuzzy;
  Result<SeparatedPlanes> planes = SeparateImage(doc.grid, doc.table, s.live, options, s.hooks);
  if (!planes) return planes;
  const int w = doc.grid.workWidthPx;
  ChokeWhitePlane(*planes, w, doc.grid.workHeightPx, s.live.tonerOrder,
                  WhiteChokeRadiusPx(s.live.whiteChokeMm, w, doc.grid.printWidthPt));
  return planes;
}

// The copy's left edge in the raster: mirrored sheets count from the right.
int CopyColumn(const PlacedCopy& c, int dpi, int width, int sheetWidth, bool mirror) {
  const int x = std::clamp(Pixels(c.xPt, dpi), 0, std::max(sheetWidth - width, 0));
  return mirror ? sheetWidth - width - x : x;
}

void SetPlanes(TiledImage& sheet, const SeparatedPlanes& planes, int width, int height, int column,
               int row) {
  const std::size_t sheetWidth = static_cast<std::size_t>(sheet.xPixel);
  const int columns = std::min(width, sheet.xPixel - column);
  if (columns <= 0) return;
  for (int r = 0; r < height && row + r < sheet.yPixel; ++r) {
    for (int p = 0; p < kPlanes; ++p) {
      std::memcpy(&sheet.data[(static_cast<std::size_t>(row + r) * kPlanes + p) * sheetWidth +
                              static_cast<std::size_t>(column)],
                  &planes[(static_cast<std::size_t>(r) * kPlanes + p) * width],
                  static_cast<std::size_t>(columns));
    }
  }
}

Result<TiledImage> EmptySheetRaster(PrintSession& s, const SheetLayout& layout, int dpi) {
  TiledImage sheet;
  sheet.xPixel = static_cast<int>(std::floor(layout.areaWidthPt * dpi / 72.0 + 1e-6));
  sheet.yPixel = static_cast<int>(std::floor(layout.areaHeightPt * dpi / 72.0 + 1e-6));
  const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(sheet.xPixel, 0)) *
                              static_cast<std::uint64_t>(std::max(sheet.yPixel, 0)) * kPlanes;
  if (bytes == 0) return Fail("Nothing was prepared to print.");
  if (bytes > kMaxRasterBytes) {
    return Fail("The sheet at " + std::to_string(dpi) +
                    " dpi is too large to print: choose a lower resolution.",
                Failure::Kind::Refused);
  }
  try {
    platform::ResizeOnHugePages(sheet.data, bytes);
  } catch (const std::bad_alloc&) {
    return OutOfMemory("There is not enough memory for the sheet's raster.");
  }
  std::memset(sheet.data.data(), 0, sheet.data.size());
  sheet.xPoint = static_cast<float>(sheet.xPixel * 72.0 / dpi);
  sheet.yPoint = static_cast<float>(sheet.yPixel * 72.0 / dpi);
  const PageMargins margins = s.Settings().margins;
  sheet.left = static_cast<int>(std::lround(margins.left / 100.0));
  sheet.top = static_cast<int>(std::lround(margins.top / 100.0));
  return sheet;
}

// Said of a design whose transparent areas print the colour stored under them.
Message HiddenColoursNote(const PrintSession& s, const Sheet& sheet, int item) {
  return Message{s.text[entry::kTitle],
                 ItemFileName(sheet, item) +
                     " has transparent areas; they print the colour stored under them "
                     "(Background Removal leaves them unprinted, with the colour of the "
                     "top-left corner).",
                 MessageIcon::Exclamation};
}

// Loads each item once and hands it to `each` for every way its copies stand
// on the sheet, turned as they are; the loaded pixels go with the last.
template <typename Each>
Status ForEachGroup(PrintSession& s, const Sheet& sheet, const LiveSettings& base,
                    const std::vector<CopyGroup>& groups, Notes& notes, Each each) {
  // Every item is converted with the same profiles: one transform for all.
  TransformCache conversions(TransformCache::Direction::ToPrinter);
  for (std::size_t g = 0; g < groups.size();) {
    const int item = groups[g].item;
    if (item < 0 || item >= static_cast<int>(sheet.items.size())) {
      return Fail("The sheet's layout names an item it does not have.");
    }
    ImageDocument doc;
    if (Status loaded = LoadItem(s, sheet, base, item, doc, conversions); !loaded) return loaded;
    if (PrintsHiddenColours(s, doc)) notes.push_back(HiddenColoursNote(s, sheet, item));
    std::size_t end = g;
    while (end < groups.size() && groups[end].item == item) ++end;
    for (; g < end; ++g) {
      if (Status stood = StandItem(s, base, doc, groups[g].turned, g + 1 < end); !stood)
        return stood;
      if (Status done = each(doc, groups[g]); !done) return done;
      s.hooks.Progress(static_cast<int>(100 * (g + 1) / groups.size()));
    }
  }
  return {};
}

template <typename Buffer>
void Release(Buffer& buffer) {
  Buffer().swap(buffer);
}

// Separates one group's item at its printed size and sets its planes at every
// copy's place. True in `toner` when any of it receives toner.
Status ComposeGroup(PrintSession& s, const LiveSettings& base, ImageDocument& doc,
                    const CopyGroup& group, int dpi, TiledImage& sheet, bool& toner) {
  const PlacedCopy& first = group.copies.front();
  const int width = std::max(Pixels(first.widthPt, dpi), 1);
  const int height = std::max(Pixels(first.heightPt, dpi), 1);
  if (doc.grid.workWidthPx != width || doc.grid.workHeightPx != height) {
    OrientedImage scaled = ScaleGrid(doc.grid, width, height);
    doc.grid = std::move(scaled);
  }
  doc.grid.printWidthPt = static_cast<float>(width * 72.0 / dpi);
  doc.grid.printHeightPt = static_cast<float>(height * 72.0 / dpi);
  Result<SeparatedPlanes> planes = SeparateItem(s, doc);
  Release(doc.grid.pixels);
  if (!planes) return planes.failure();
  toner = toner || std::any_of(planes->begin(), planes->end(), [](std::uint8_t b) { return b; });
  for (const PlacedCopy& c : group.copies) {
    const int row = std::clamp(Pixels(c.yPt, dpi), 0, std::max(sheet.yPixel - height, 0));
    SetPlanes(sheet, *planes, width, height, CopyColumn(c, dpi, width, sheet.xPixel, base.mirrorOn),
              row);
  }
  return {};
}

Result<TiledImage> ComposeSheet(PrintSession& s, const Sheet& sheet, const SheetLayout& layout,
                                int index, bool costOnly, Notes& notes) {
  const std::vector<CopyGroup> groups = GroupCopies(layout.sheets[static_cast<std::size_t>(index)]);
  if (groups.empty()) return Fail("Nothing was prepared to print.");
  const int dpi = std::clamp(sheet.dpi, kMinSheetDpi, kMaxSheetDpi);
  Result<TiledImage> raster = EmptySheetRaster(s, layout, dpi);
  if (!raster) return raster;
  LiveSettingsKept kept(s);
  bool toner = false;
  Status composed = ForEachGroup(
      s, sheet, kept.Saved(), groups, notes, [&](ImageDocument& doc, const CopyGroup& group) {
        return ComposeGroup(s, kept.Saved(), doc, group, dpi, *raster, toner);
      });
  if (!composed) return composed.failure();
  if (!costOnly && !toner) {
    return Fail(
        "Nothing on this sheet would receive toner with these settings (its designs are "
        "transparent, or everything was removed), so no blank page was printed.");
  }
  return raster;
}

Status CheckSheetIndex(const Sheet& sheet, const SheetLayout& layout, int index) {
  if (index < 0 || index >= static_cast<int>(layout.sheets.size())) {
    return Fail("There is no sheet " + std::to_string(index + 1) + ".");
  }
  for (const PlacedCopy& c : layout.sheets[static_cast<std::size_t>(index)].copies) {
    if (c.item < 0 || c.item >= static_cast<int>(sheet.items.size())) {
      return Fail("The sheet's layout names an item it does not have.");
    }
  }
  return {};
}

}  // namespace

std::string SheetDocumentName(int index, int count) {
  return "Gang sheet" + (count > 1
                             ? " " + std::to_string(index + 1) + " of " + std::to_string(count)
                             : std::string());
}

Result<PrintJob> BuildSheetJob(PrintSession& s, const Sheet& sheet, const SheetLayout& layout,
                               int index, Notes* notes) {
  if (Status ok = CheckSheetIndex(sheet, layout, index); !ok) return ok.failure();
  NameDocument(s, SheetDocumentName(index, static_cast<int>(layout.sheets.size())));
  const bool costOnly = s.Settings().statsOption == StatsOption::CostOnly;
  Notes said;
  Result<TiledImage> composed = ComposeSheet(s, sheet, layout, index, costOnly, said);
  if (notes) notes->insert(notes->end(), said.begin(), said.end());
  if (!composed) return composed.failure();
  return JobOrCostOfRaster(s, std::move(*composed), costOnly);
}

Result<PrintCost> CostSheet(PrintSession& s, const Sheet& sheet, const SheetLayout& layout,
                            int index) {
  CostInsteadOfPrinting(s);
  Result<PrintJob> job = BuildSheetJob(s, sheet, layout, index);
  if (!job) return job.failure();
  if (!s.lastCost) {
    return Fail(s.lastCostFailure.empty() ? "The sheet could not be costed." : s.lastCostFailure);
  }
  return *s.lastCost;
}

namespace {

struct PageBox {
  int width = 0;
  int height = 0;
  double scale = 0;  // preview pixels a point
};

PageBox FitPage(double paperWidthPt, double paperHeightPt, int widthPx, int heightPx) {
  PageBox box;
  box.width = widthPx;
  box.height = static_cast<int>(widthPx * paperHeightPt / paperWidthPt);
  if (box.height > heightPx) {
    box.height = heightPx;
    box.width = static_cast<int>(heightPx * paperWidthPt / paperHeightPt);
  }
  box.scale = box.width / paperWidthPt;
  return box;
}

void DrawOutline(PreviewBitmap& page, int x0, int y0, int w, int h) {
  auto dot = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= page.width || y >= page.height) return;
    std::uint8_t* p = &page.bgrx[(static_cast<std::size_t>(y) * page.width + x) * 4];
    p[0] = 224;  // a blue that shows on paper, film and black alike
    p[1] = 128;
    p[2] = 32;
  };
  for (int x = x0; x < x0 + w; ++x) {
    dot(x, y0);
    dot(x, y0 + h - 1);
  }
  for (int y = y0; y < y0 + h; ++y) {
    dot(x0, y);
    dot(x0 + w - 1, y);
  }
}

void AddNotes(Notes& notes, const Notes& more) {
  for (const Message& m : more) {
    const bool known = std::any_of(notes.begin(), notes.end(), [&](const Message& n) {
      return n.title == m.title && n.text == m.text;
    });
    if (!known) notes.push_back(m);
  }
}

}  // namespace

Result<PreviewBitmap> RenderSheetPreview(PrintSession& s, const Sheet& sheet,
                                         const SheetLayout& layout, int index, int widthPx,
                                         int heightPx, int substrate) {
  if (Status ok = CheckSheetIndex(sheet, layout, index); !ok) return ok.failure();
  if (s.live.paperWidthPt <= 0 || s.live.paperHeightPt <= 0 || widthPx < 1 || heightPx < 1) {
    return Fail("There is no page to preview.");
  }
  const PageBox box = FitPage(s.live.paperWidthPt, s.live.paperHeightPt, widthPx, heightPx);
  PreviewBitmap page = SubstrateCanvas(substrate, box.width, box.height);
  const PageMargins margins = s.Settings().margins;
  const double leftPt = margins.left / 100.0;
  const double topPt = margins.top / 100.0;
  const std::vector<CopyGroup> groups = GroupCopies(layout.sheets[static_cast<std::size_t>(index)]);
  LiveSettingsKept kept(s);
  PreviewState state;  // its screen transform serves every item
  Status drawn = ForEachGroup(
      s, sheet, kept.Saved(), groups, page.notes,
      [&](ImageDocument& doc, const CopyGroup& group) -> Status {
        const PlacedCopy& first = group.copies.front();
        PreviewOptions options;
        options.width = std::max(1, static_cast<int>(std::lround(first.widthPt * box.scale)));
        options.height = std::max(1, static_cast<int>(std::lround(first.heightPt * box.scale)));
        options.substrate = substrate;
        options.blackFuzzy = s.Settings().blackFuzzy;
        options.foil = IsFoilMedia(s.live, s.text);
        const PreviewBitmap& copy =
            RenderPreview(doc.grid, doc.table, s.live, options, doc.profiles, state, s.text);
        AddNotes(page.notes, copy.notes);
        for (const PlacedCopy& c : group.copies) {
          const double x = kept.Saved().mirrorOn ? layout.areaWidthPt - c.xPt - c.widthPt : c.xPt;
          const int x0 = static_cast<int>(std::lround((leftPt + x) * box.scale));
          const int y0 = static_cast<int>(std::lround((topPt + c.yPt) * box.scale));
          DrawBitmap(page, copy, x0, y0);
          DrawOutline(page, x0, y0, copy.width, copy.height);
        }
        return Status{};
      });
  if (!drawn) return drawn.failure();
  return page;
}

}  // namespace nvx
