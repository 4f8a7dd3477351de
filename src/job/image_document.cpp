#include "job/image_document.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <new>
#include <system_error>

#include "cost/cost_estimate.h"
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

PrintJob CostedOnlyJob() {
  PrintJob job;
  job.outcome = JobOutcome::CostedOnly;
  return job;
}

Failure NoTonerFailure() {
  return Fail(
      "Nothing in this image would receive toner with these settings (it is transparent, or "
      "everything was removed), so no blank page was printed.");
}

void ChokeWhite(const PrintSession& s, const OrientedImage& grid, std::span<std::uint8_t> planes) {
  ChokeWhitePlane(planes, grid.workWidthPx, grid.workHeightPx, s.live.tonerOrder,
                  WhiteChokeRadiusPx(s.live.whiteChokeMm, grid.workWidthPx, grid.printWidthPt));
}

// The copies laid out and the job made, or only costed, for planes whose sums
// are known; `rows` (set in tiling) makes them while the job is sent and
// `keep` holds what they are made from.
Result<PrintJob> RowJobOf(PrintSession& s, TilingInput tiling,
                          std::array<std::uint64_t, kCostedPlanes> sums,
                          std::shared_ptr<const void> keep) {
  const bool costOnly = s.Settings().statsOption == StatsOption::CostOnly;
  Result<TileLayout> layout = LayOutCopies(tiling, s.text);
  if (!layout) return layout.failure();
  // Every copy adds its planes' sums; the gaps and spare rows add nothing.
  for (std::uint64_t& sum : sums) sum *= static_cast<std::uint64_t>(tiling.nX) * tiling.nY;

  RecordCostSizes(s.files, layout->image);
  s.lastCost.reset();
  s.lastCostFailure.clear();
  if (costOnly) {
    KeepCost(s, CostTiledSums(s, layout->image, sums));
    return CostedOnlyJob();
  }
  JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
  PrintJob job = BuildPrintJob(
      env, s.live, layout->image,
      [keep, tiling, layout = *layout, hooks = s.hooks](const platform::ByteSink& sink) {
        return WriteTiledRows(tiling, layout, sink, hooks);
      });
  job.rowSums = sums;
  return job;
}

bool NoSums(const std::array<std::uint64_t, kCostedPlanes>& sums) {
  return std::all_of(sums.begin(), sums.end(), [](std::uint64_t sum) { return sum == 0; });
}

// The print of a grid no one reads again: the planes are made in the grid's
// memory and the job's rows are laid out from them while the job is sent, so
// neither a separate set of planes nor the tiled raster is ever held. Refuses
// what BuildImageJob refuses, before anything is sent.
Result<PrintJob> BuildRowJob(PrintSession& s, ImageDocument& doc, const SeparationOptions& options,
                             TilingInput tiling) {
  Result<std::span<std::uint8_t>> planes =
      SeparateGridInPlace(doc.grid, doc.table, s.live, options, s.hooks);
  if (!planes) return planes.failure();
  // The grid is used up: its memory holds the planes, which move with the job
  // that writes its rows from them (or go when no job is made).
  auto owned = std::make_shared<decltype(doc.grid.pixels)>(std::move(doc.grid.pixels));
  Release(doc.grid.pixels);
  doc.loaded = false;
  ChokeWhite(s, doc.grid, *planes);
  std::array<std::uint64_t, kCostedPlanes> sums =
      SumPlanes(CostRaster{*planes, doc.grid.workWidthPx, doc.grid.workHeightPx});
  const bool costOnly = s.Settings().statsOption == StatsOption::CostOnly;
  if (!costOnly && NoSums(sums)) return NoTonerFailure();
  tiling.source = *planes;
  return RowJobOf(s, std::move(tiling), sums, owned);
}

// What making the document's planes band by band reads.
Result<GridBands> StreamedBands(const PrintSession& s, const ImageDocument& doc,
                                const SeparationOptions& options) {
  GridBands bands;
  bands.pixels = doc.decoded;
  bands.transform = doc.transform->Get(doc.profiles);
  bands.walk = GridWalk(doc.decoded->upright, doc.decoded->uprightWidth, s.live);
  bands.width = doc.grid.workWidthPx;
  bands.height = doc.grid.workHeightPx;
  try {
    bands.separator =
        std::make_shared<RowSeparator>(doc.table, s.live, options, bands.width, bands.height);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  bands.tonerOrder = s.live.tonerOrder;
  bands.chokeRadiusPx =
      WhiteChokeRadiusPx(s.live.whiteChokeMm, doc.grid.workWidthPx, doc.grid.printWidthPt);
  bands.bandRows = doc.streamBandRows;
  return bands;
}

// The print of pixels left where the decoder put them: the job's rows are made
// band by band from them while the job is sent, once for each row of copies.
// Before that, the bands are made up to the first that has toner, so that a
// print with none is refused before a byte is sent; a print that is costed
// makes them all once more for the planes' sums.
Result<PrintJob> BuildStreamedJob(PrintSession& s, ImageDocument& doc,
                                  const SeparationOptions& options, TilingInput tiling) {
  Result<GridBands> bands = StreamedBands(s, doc, options);
  if (!bands) return bands.failure();
  const std::size_t rowBytes = static_cast<std::size_t>(bands->width) * 5;
  const bool costed = s.Settings().statsOption != StatsOption::PrintOnly;
  std::array<std::uint64_t, kCostedPlanes> sums{};
  bool toner = false;
  // Looking for the first toner stops early: small bands waste little of the work.
  GridBands scan = *bands;
  if (!costed && scan.bandRows == 0) scan.bandRows = ScanBandRows(scan.width);
  Result<bool> scanned = MakeGridBands(scan, [&](int first, int end, const std::uint8_t* planes) {
    const std::span<const std::uint8_t> band(planes, (end - first) * rowBytes);
    if (!costed) {
      toner = std::any_of(band.begin(), band.end(), [](std::uint8_t b) { return b != 0; });
      return !toner;
    }
    const auto bandSums = SumPlanes(CostRaster{band, scan.width, end - first});
    for (std::size_t plane = 0; plane < sums.size(); ++plane) sums[plane] += bandSums[plane];
    return true;
  });
  if (!scanned) return scanned.failure();
  if (costed) toner = !NoSums(sums);
  doc.loaded = false;
  const bool costOnly = s.Settings().statsOption == StatsOption::CostOnly;
  if (!costOnly && !toner) return NoTonerFailure();
  const int copyRows = tiling.nY;
  // One row of copies reads the pixels once.
  bands->lastRead = copyRows == 1;
  tiling.rows = [bands = *bands, copyRows, hooks = s.hooks](int copyRow,
                                                            const TilingInput::PlaneRow& row) {
    const std::size_t rowBytes = static_cast<std::size_t>(bands.width) * 5;
    const auto progress = [&](int done) {
      hooks.Progress(static_cast<int>(100LL * (copyRow * bands.height + done) /
                                      (static_cast<long long>(copyRows) * bands.height)));
    };
    Result<bool> made = MakeGridBands(
        bands,
        [&](int first, int end, const std::uint8_t* planes) {
          for (int r = first; r < end; ++r) {
            if (!row(planes + (r - first) * rowBytes)) return false;
          }
          return true;
        },
        progress);
    return made.ok() && *made;
  };
  // The transform lives in the document's cache: the job keeps the cache.
  Result<PrintJob> job = RowJobOf(s, std::move(tiling), sums, doc.transform);
  if (job && doc.decoded->awaitRows) {
    job->sourceReady = [pixels = doc.decoded] { return pixels->awaitRows(pixels->decoded.height); };
  }
  return job;
}

}  // namespace

Status LoadImageDocument(PrintSession& s, ImageDocument& doc, const std::string& file,
                         bool cropToContent, TransformCache* conversions) {
  if (Status area = CheckPrintableArea(s); !area) return area;
  s.live.xCopy = 1;
  s.live.yCopy = 1;
  PrintableSize printable = PrintableArea(s.files, s.live);
  const bool stream = doc.streamPrint && !cropToContent;
  const LoadOptions options{s.live.flip,
                            s.live.backgroundRemoval,
                            printable.widthPt,
                            printable.heightPt,
                            RenderRequest{s.live.renderDpi, s.live.page},
                            stream};
  std::shared_ptr<TransformCache> transform;
  std::future<void> built;
  if (stream) {
    // The print's transform needs only the profiles: it is built while the image decodes.
    transform = std::make_shared<TransformCache>(TransformCache::Direction::ToPrinter);
    try {
      built = std::async(std::launch::async,
                         [transform, profiles = ChooseProfiles(s)] { transform->Get(profiles); });
    } catch (const std::system_error&) {
      // no thread to be had: it is built after the load
    }
  }
  Result<LoadedImage> result = LoadImageFile(file, options, s.files, s.text, s.hooks);
  if (built.valid()) built.wait();
  if (!result) return result.failure();

  doc.image = std::move(result->image);
  doc.decoded = std::move(result->decoded);
  doc.transform.reset();
  doc.loaded = false;
  doc.file = file;
  s.live.rotate = result->rotate;
  s.live.zoom = result->zoomText;
  s.live.dpi = static_cast<int>(RoundHalfEven(doc.image.dpiX));
  NameDocument(s, std::filesystem::path(file).filename().string());

  if (cropToContent) ApplyCropMode(1, doc.image, s.files, s.hooks);
  doc.profiles = ChooseProfiles(s);
  if (doc.decoded) {
    // Built now, so that profiles it cannot be built for fail the load as the
    // conversion does; the pixels are converted as the job's rows are made.
    doc.transform = std::move(transform);
    if (doc.transform->Get(doc.profiles)) return {};
    doc.decoded.reset();
    return Fail(s.text[entry::kConversionFailure]);
  }
  Status converted = ConvertImageColours(doc.image, doc.profiles, s.hooks, 0, conversions);
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
      doc.decoded
          ? PrepareGridShape(doc.image, s.live, printable.widthPt, printable.heightPt, doc.grid)
      : keepImage
          ? PrepareGrid(doc.image, s.live, printable.widthPt, printable.heightPt, doc.grid, s.hooks)
          : PrepareGridReleasing(doc.image, s.live, printable.widthPt, printable.heightPt, doc.grid,
                                 s.hooks);
  if (!grid) return grid.failure();
  if (grid->exceedsPrintable) {
    PrintSize fitted = FitToPrintable({doc.grid.printWidthPt, doc.grid.printHeightPt}, doc.image,
                                      printable.widthPt, printable.heightPt, s.live.rotate);
    doc.grid.printWidthPt = fitted.widthPt;
    doc.grid.printHeightPt = fitted.heightPt;
  }
  doc.table = BuildColourAdjustTable(s.live.colourPoints);
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
  if (releaseGrid && doc.decoded) return BuildStreamedJob(s, doc, options, tiling);
  if (releaseGrid) return BuildRowJob(s, doc, options, tiling);
  Result<SeparatedPlanes> separated = SeparateImage(doc.grid, doc.table, s.live, options, s.hooks);
  if (!separated) return separated.failure();
  ChokeWhite(s, doc.grid, *separated);
  // Costing alone still has a price without toner: the drums, fuser and belt.
  const bool costOnly = s.Settings().statsOption == StatsOption::CostOnly;
  if (!costOnly && !AnyToner(*separated)) return NoTonerFailure();
  tiling.source = std::span<const std::uint8_t>(separated->data(), separated->size());
  Result<TiledImage> tiled = TileCopies(tiling, s.text, s.hooks);
  Release(*separated);
  if (!tiled) return tiled.failure();

  return JobOrCostOfRaster(s, std::move(*tiled), costOnly);
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
      DrawBitmap(page, copy, x0, y0);
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
