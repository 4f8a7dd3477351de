#include "job/image_document.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "image/crop.h"
#include "image/intake.h"
#include "image/page_fit.h"
#include "image/white_choke.h"
#include "job/costing.h"
#include "lang/text_entries.h"
#include "pattern/mask_plane.h"
#include "pattern/shape_library.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/settings_keys.h"
#include "settings/units.h"

namespace nvx {

// The intake refuses from the header what a print's raster could never hold.
static_assert(kMaxImagePixels * 5 <= kMaxRasterBytes);

namespace {

// The profiles the settings name, with the run's own choices on top.
ProfilePair ChooseProfiles(const PrintSession& s) {
  ProfileSearch search = DefaultProfileSearch(s.files);
  return ResolveProfiles(s.files, search, {s.profileIn, s.profileOut});
}

std::filesystem::path ShapeLibrary(const PrintSession& s) {
  return ShapeLibraryPath(s.files, DefaultLibraryFolders(s.files));
}

PreviewOptions CopyPreviewOptions(const PrintSession& s, const ImageDocument& doc, int substrate) {
  PreviewOptions options;
  if (s.live.patternPreview) {
    options.patternMask = PreviewMaskSourceFor(s.files, ShapeLibrary(s), doc.image, s.live);
  }
  options.substrate = substrate;
  options.blackFuzzy = s.Settings().blackFuzzy;
  options.foil = IsFoilMedia(s.live, s.text);
  return options;
}

// The curves may have changed since the image was turned (the curve editor, a
// preset, the toner order): the preview and the print follow the points in force.
void RefreshColourAdjustTable(const PrintSession& s, ImageDocument& doc) {
  doc.table = BuildColourAdjustTable(s.live.colourPoints);
}

// Gives an image-sized buffer's memory back; assigning {} would only empty it.
template <typename Buffer>
void Release(Buffer& buffer) {
  Buffer().swap(buffer);
}

// True when some pixel of some copy receives toner of any plane.
bool AnyToner(const SeparatedPlanes& planes) {
  return std::any_of(planes.begin(), planes.end(), [](std::uint8_t b) { return b != 0; });
}

}  // namespace

Status LoadImageDocument(PrintSession& s, ImageDocument& doc, const std::string& file,
                         bool cropToContent) {
  if (Status area = CheckPrintableArea(s); !area) return area;
  s.live.xCopy = 1;
  s.live.yCopy = 1;
  PrintableSize printable = PrintableArea(s.files, s.live);
  const LoadOptions options{s.live.flip, s.live.backgroundRemoval, printable.widthPt,
                            printable.heightPt, RenderRequest{s.live.renderDpi, s.live.page}};
  Result<LoadedImage> result = LoadImageFile(file, options, s.files, s.text, s.hooks);
  if (!result) return result.failure();

  doc.image = std::move(result->image);
  doc.loaded = false;
  doc.file = file;
  s.live.rotate = result->rotate;
  s.live.zoom = result->zoomText;
  s.live.dpi = static_cast<int>(RoundHalfEven(doc.image.dpiX));
  NameDocument(s, std::filesystem::path(file).filename().string());

  if (cropToContent) ApplyCropMode(1, doc.image, s.files, s.hooks);
  doc.profiles = ChooseProfiles(s);
  Status converted = ConvertImageColours(doc.image, doc.profiles, s.hooks);
  if (converted || converted.failure().kind == Failure::Kind::OutOfMemory) return converted;
  return Fail(s.text[entry::kConversionFailure]);  // the user's language says it
}

void NameDocument(PrintSession& s, std::string_view name) {
  s.live.caption = s.text[entry::kTitle] + " - " + std::string(name);
}

Status ReloadForFlip(PrintSession& s, ImageDocument& doc) {
  const long long cropMode = ReadCropMode(s.files);
  const bool rotate = s.live.rotate;
  const std::string file = doc.file;
  Status loaded = LoadImageDocument(s, doc, file, cropMode > 0);
  s.live.rotate = rotate;
  return loaded;
}

Status OrientImage(PrintSession& s, ImageDocument& doc, bool keepImage) {
  PrintableSize printable = PrintableArea(s.files, s.live);
  Result<PreparedGrid> grid =
      PrepareGrid(doc.image, s.live, printable.widthPt, printable.heightPt, doc.grid, s.hooks);
  if (!grid) return grid.failure();
  if (grid->exceedsPrintable) {
    PrintSize fitted = FitToPrintable({doc.grid.printWidthPt, doc.grid.printHeightPt}, doc.image,
                                      printable.widthPt, printable.heightPt, s.live.rotate);
    doc.grid.printWidthPt = fitted.widthPt;
    doc.grid.printHeightPt = fitted.heightPt;
  }
  doc.table = BuildColourAdjustTable(s.live.colourPoints);
  if (!keepImage) {
    doc.image.buffer.clear();
    doc.image.buffer.shrink_to_fit();
  }
  doc.loaded = true;
  ShowPrintSize(s, doc);
  return {};
}

bool PrintsHiddenColours(const PrintSession& s, const ImageDocument& doc) {
  return doc.image.hasTransparency && !s.live.backgroundRemoval &&
         !doc.image.transparencyAlwaysCounts;
}

void ShowPrintSize(PrintSession& s, const ImageDocument& doc) {
  DisplayUnit unit = ReadDisplayUnit(s.files);
  s.live.xSize = FormatPointsInDisplayUnit(doc.grid.printWidthPt, unit);
  s.live.ySize = FormatPointsInDisplayUnit(doc.grid.printHeightPt, unit);
}

void PlaceOnPage(PrintSession& s, ImageDocument& doc, int areaWidthPx, int areaHeightPx) {
  const PageMargins margins = s.Settings().margins;
  PlacementInput in;
  in.areaWidthPx = areaWidthPx;
  in.areaHeightPx = areaHeightPx;
  in.pageWidthPt = s.live.paperWidthPt;
  in.pageHeightPt = s.live.paperHeightPt;
  in.topMargin = margins.top;
  in.leftMargin = margins.left;
  in.rightMargin = margins.right;
  in.bottomMargin = margins.bottom;
  SetCopySizeFromPrintSize(in, doc.grid.printWidthPt, doc.grid.printHeightPt);
  in.automaticTile = s.live.automaticTile;
  in.optimalLayout = s.live.optimalLayout;
  in.xCopy = std::max(1, s.live.xCopy);
  in.yCopy = std::max(1, s.live.yCopy);
  in.alignment = s.live.alignment;
  Placement placement = PlaceCopies(in);
  if (!placement.placed) return;  // no page to place on: the previous layout stands
  doc.placement = placement;
  s.live.xCopy = placement.nX;
  s.live.yCopy = placement.nY;
}

Result<PrintJob> BuildImageJob(PrintSession& s, ImageDocument& doc, bool releaseGrid) {
  SeparationOptions options;
  options.foil = IsFoilMedia(s.live, s.text);
  options.blackFuzzy = s.Settings().blackFuzzy;
  if (s.live.patternPrint) {
    options.patternMask = PrintMaskSource(s.files, ShapeLibrary(s), doc.image, s.live, s.hooks);
  }

  TilingInput tiling;
  tiling.nX = std::max(1, s.live.xCopy);
  tiling.nY = std::max(1, s.live.yCopy);
  tiling.width = doc.grid.workWidthPx;
  tiling.height = doc.grid.workHeightPx;
  tiling.widthPt = doc.grid.printWidthPt;
  tiling.heightPt = doc.grid.printHeightPt;
  tiling.gapX = doc.placement.gapX;
  tiling.gapY = doc.placement.gapY;
  tiling.optimalLayout = s.live.optimalLayout;
  PrintableSize printable = PrintableArea(s.files, s.live);
  tiling.maxWidthPt = printable.widthPt;
  tiling.maxHeightPt = printable.heightPt;
  tiling.left = doc.placement.left;
  tiling.top = doc.placement.top;
  // Refused before the separation's work: the copies alone must fit the page.
  if (!CopiesFit(tiling)) return Fail(CopiesDoNotFitMessage(tiling), Failure::Kind::Refused);

  RefreshColourAdjustTable(s, doc);
  Result<SeparatedPlanes> separated = SeparateImage(doc.grid, doc.table, s.live, options, s.hooks);
  if (!separated) return separated.failure();
  ChokeWhitePlane(
      *separated, doc.grid.workWidthPx, doc.grid.workHeightPx, s.live.tonerOrder,
      WhiteChokeRadiusPx(s.live.whiteChokeMm, doc.grid.workWidthPx, doc.grid.printWidthPt));
  // Costing alone still has a price without toner: the drums, fuser and belt.
  const bool costOnly = s.Settings().statsOption == StatsOption::CostOnly;
  if (!costOnly && !AnyToner(*separated)) {
    return Fail(
        "Nothing in this image would receive toner with these settings (it is transparent, or "
        "everything was removed), so no blank page was printed.");
  }
  tiling.source = std::span<const std::uint8_t>(separated->data(), separated->size());
  if (releaseGrid) {
    Release(doc.grid.pixels);
    doc.loaded = false;
  }
  Result<TiledImage> tiled = TileCopies(tiling, s.text, s.hooks);
  Release(*separated);
  if (!tiled) return tiled.failure();

  // The sizes stay in the settings for costing the job once it was sent.
  RecordCostSizes(s.files, *tiled);
  s.lastCost.reset();
  s.lastCostFailure.clear();
  if (costOnly) {
    KeepCost(s, CostTiledImage(s, *tiled));
    return PrintJob{JobOutcome::CostedOnly, {}, {}, {}};
  }
  JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
  return BuildPrintJob(env, s.live, std::move(*tiled));
}

namespace {

PagePreviewRequest PreviewRequest(PrintSession& s, ImageDocument& doc, PreviewOptions options) {
  PagePreviewRequest request;
  request.grid = &doc.grid;
  request.profiles = doc.profiles;
  RefreshColourAdjustTable(s, doc);
  request.table = doc.table;
  request.live = s.live;
  request.placement = doc.placement;
  request.options = std::move(options);
  // One copy's size on the page box the placement drew.
  PlacementInput copySize;
  copySize.areaWidthPx = doc.placement.pageBoxWidthPx;
  copySize.areaHeightPx = doc.placement.pageBoxHeightPx;
  copySize.pageWidthPt = s.live.paperWidthPt;
  copySize.pageHeightPt = s.live.paperHeightPt;
  SetCopySizeFromPrintSize(copySize, doc.grid.printWidthPt, doc.grid.printHeightPt);
  // A copy smaller than a pixel is still drawn, as one pixel.
  request.options.width = std::max(copySize.copyWidthPx, 1);
  request.options.height = std::max(copySize.copyHeightPx, 1);
  return request;
}

// Copies that run past the page are cut at its edge, as on screen.
void DrawCopies(const Placement& place, const PreviewBitmap& copy, PreviewBitmap& page) {
  for (int row = 0; row < place.nY; ++row) {
    for (int col = 0; col < place.nX; ++col) {
      const int x0 = place.xPx + col * (copy.width + place.gapXPx);
      const int y0 = place.yPx + row * (copy.height + place.gapYPx);
      for (int y = 0; y < copy.height; ++y) {
        const int py = y0 + y;
        if (py < 0 || py >= page.height) continue;
        const int first = std::max(0, -x0);
        const int last = std::min(copy.width, page.width - x0);
        if (last <= first) continue;
        std::memcpy(&page.bgrx[(static_cast<std::size_t>(py) * page.width + x0 + first) * 4],
                    &copy.bgrx[(static_cast<std::size_t>(y) * copy.width + first) * 4],
                    static_cast<std::size_t>(last - first) * 4);
      }
    }
  }
}

}  // namespace

PreviewBitmap RenderPagePreview(PrintSession& s, ImageDocument& doc, int substrate) {
  PagePreviewRequest request = PreviewRequest(s, doc, CopyPreviewOptions(s, doc, substrate));
  request.text = s.text;
  return DrawPagePreview(request, doc.preview);
}

PagePreviewRequest PreparePagePreview(PrintSession& s, ImageDocument& doc, int substrate) {
  PreviewOptions options = CopyPreviewOptions(s, doc, substrate);
  if (s.live.patternPreview) {
    // The other thread must not share the window's copy of the settings.
    SettingsFiles stored = s.files;
    stored.snapshot = nullptr;
    stored.failedWrites = nullptr;
    options.patternMask = PreviewMaskSourceFor(stored, ShapeLibrary(s), doc.image, s.live);
  }
  PagePreviewRequest request = PreviewRequest(s, doc, std::move(options));
  request.text = s.text;
  return request;
}

PreviewBitmap DrawPagePreview(const PagePreviewRequest& r, PreviewState& state) {
  const Placement& place = r.placement;
  PreviewBitmap page =
      SubstrateCanvas(r.options.substrate, place.pageBoxWidthPx, place.pageBoxHeightPx);
  const PreviewBitmap& copy =
      RenderPreview(*r.grid, r.table, r.live, r.options, r.profiles, state, r.text);
  DrawCopies(place, copy, page);
  page.notes = copy.notes;
  return page;
}

}  // namespace nvx
