#include "app/print_path.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "image/intake.h"
#include "image/page_fit.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/units.h"

namespace nvx::app {
namespace {

PathStatus FromLoad(LoadStatus status) {
  switch (status) {
    case LoadStatus::Loaded:
      return PathStatus::Ok;
    case LoadStatus::OutOfMemory:
      return PathStatus::OutOfMemory;
    default:
      return PathStatus::Failed;
  }
}

// The profiles the settings name, with the command line's choices on top.
ProfilePair ChooseProfiles(const CliSession& s, const PrintPath& path) {
  ProfileSearch search = DefaultProfileSearch(s.files);
  ProfilePair pair = ResolveProfiles(s.files, search, s.hooks);
  if (!path.profileIn.empty()) pair.in = {FindProfile(path.profileIn, search), false};
  if (!path.profileOut.empty()) pair.out = {FindProfile(path.profileOut, search), false};
  return pair;
}

int CopyCount(const std::string& text) {
  return static_cast<int>(std::max<long long>(1, LeadingInteger(text)));
}

// The copies boxes show what the placement chose, as blank-signed numbers.
std::string BoxNumber(int n) { return " " + std::to_string(n); }

}  // namespace

PathStatus LoadAndConvert(CliSession& s, PrintPath& path, const std::string& file) {
  s.live.xCopy = "1";
  s.live.yCopy = "1";
  PrintableSize printable = PrintableArea(s.files, s.live);
  LoadOptions options{s.live.flip, s.live.backgroundRemoval, printable.widthPt, printable.heightPt};
  LoadResult result = LoadImageFile(file, options, s.files, s.text, s.hooks);
  if (!result.Loaded()) return FromLoad(result.status);

  path.image = std::move(result.image);
  path.loaded = false;
  s.live.rotate = result.rotate;
  s.live.zoom = result.zoomText;
  s.live.dpi = std::to_string(RoundHalfEven(path.image.dpiX));
  s.live.caption = s.text[0] + " - " + std::filesystem::path(file).filename().string();

  path.profiles = ChooseProfiles(s, path);
  switch (ConvertImageColours(path.image, path.profiles, s.text, s.hooks)) {
    case ConversionStatus::Converted:
      break;
    case ConversionStatus::OutOfMemory:
      return PathStatus::OutOfMemory;
    default:
      return PathStatus::Failed;
  }
  return PathStatus::Ok;
}

PathStatus Orient(CliSession& s, PrintPath& path, bool keepImage) {
  PrintableSize printable = PrintableArea(s.files, s.live);
  GridResult grid =
      PrepareGrid(path.image, s.live, printable.widthPt, printable.heightPt, path.grid, s.hooks);
  if (grid.outOfMemory) return PathStatus::OutOfMemory;
  if (grid.exceedsPrintable) {
    PrintSize fitted = FitToPrintable({path.grid.printWidthPt, path.grid.printHeightPt}, path.image,
                                      printable.widthPt, printable.heightPt, s.live.rotate);
    path.grid.printWidthPt = fitted.widthPt;
    path.grid.printHeightPt = fitted.heightPt;
  }
  path.table = BuildColourAdjustTable(s.live.colourPoints);
  if (!keepImage) {
    path.image.buffer.clear();
    path.image.buffer.shrink_to_fit();
  }
  path.loaded = true;
  ShowPrintSize(s, path);
  return PathStatus::Ok;
}

void ShowPrintSize(CliSession& s, const PrintPath& path) {
  DisplayUnit unit = ReadDisplayUnit(s.files);
  s.live.xSize = FormatPointsInDisplayUnit(path.grid.printWidthPt, unit);
  s.live.ySize = FormatPointsInDisplayUnit(path.grid.printHeightPt, unit);
}

void PlaceOnPage(CliSession& s, PrintPath& path, int areaWidthPx, int areaHeightPx) {
  PlacementInput in;
  in.areaWidthPx = areaWidthPx;
  in.areaHeightPx = areaHeightPx;
  in.pageWidthPt = s.live.paperWidthPt;
  in.pageHeightPt = s.live.paperHeightPt;
  in.topMargin = static_cast<int>(ReadSettingNumber(s.files, "Active", "Top Margin"));
  in.leftMargin = static_cast<int>(ReadSettingNumber(s.files, "Active", "Left Margin"));
  in.rightMargin = static_cast<int>(ReadSettingNumber(s.files, "Active", "Right Margin"));
  in.bottomMargin = static_cast<int>(ReadSettingNumber(s.files, "Active", "Bottom Margin"));
  SetCopySizeFromPrintSize(in, path.grid.printWidthPt, path.grid.printHeightPt);
  in.automaticTile = s.live.automaticTile;
  in.optimalLayout = s.live.optimalLayout;
  in.xCopy = CopyCount(s.live.xCopy);
  in.yCopy = CopyCount(s.live.yCopy);
  in.alignment = s.live.alignment;
  Placement placement = PlaceCopies(in);
  if (!placement.placed) return;  // a copy too small to show: the previous layout stands
  path.placement = placement;
  s.live.xCopy = BoxNumber(placement.nX);
  s.live.yCopy = BoxNumber(placement.nY);
}

PrintJob BuildImageJob(CliSession& s, PrintPath& path, bool releaseGrid) {
  SeparationOptions options;
  options.foil = IsFoilMedia(s.live, s.text);
  options.blackFuzzy = s.blackFuzzyOverride > 0 ? s.blackFuzzyOverride : ReadBlackFuzzy(s.files);
  SeparationResult separated = SeparateImage(path.grid, path.table, s.live, options, s.hooks);
  if (separated.outOfMemory) return {};

  TilingInput tiling;
  tiling.nX = CopyCount(s.live.xCopy);
  tiling.nY = CopyCount(s.live.yCopy);
  tiling.width = path.grid.workWidthPx;
  tiling.height = path.grid.workHeightPx;
  tiling.widthPt = path.grid.printWidthPt;
  tiling.heightPt = path.grid.printHeightPt;
  tiling.gapX = path.placement.gapX;
  tiling.gapY = path.placement.gapY;
  tiling.optimalLayout = s.live.optimalLayout;
  PrintableSize printable = PrintableArea(s.files, s.live);
  tiling.maxWidthPt = printable.widthPt;
  tiling.maxHeightPt = printable.heightPt;
  tiling.left = path.placement.left;
  tiling.top = path.placement.top;
  tiling.source = std::span<const std::uint8_t>(separated.planes.data(), separated.planes.size());
  if (releaseGrid) {
    path.grid.pixels = {};
    path.loaded = false;
  }
  TilingResult tiled = TileCopies(tiling, s.text, s.hooks);
  separated.planes = {};
  if (!tiled.ok) return {};

  JobEnvironment env{s.files, s.text, s.hooks, s.modelKey, s.familyCode};
  return BuildPrintJob(env, s.live, std::move(tiled.image));
}

PreviewBitmap RenderPagePreview(CliSession& s, PrintPath& path, int substrate) {
  const Placement& place = path.placement;
  PreviewBitmap page = SubstrateCanvas(substrate, place.pageBoxWidthPx, place.pageBoxHeightPx);
  PlacementInput copySize;
  copySize.areaWidthPx = place.pageBoxWidthPx;
  copySize.areaHeightPx = place.pageBoxHeightPx;
  copySize.pageWidthPt = s.live.paperWidthPt;
  copySize.pageHeightPt = s.live.paperHeightPt;
  SetCopySizeFromPrintSize(copySize, path.grid.printWidthPt, path.grid.printHeightPt);
  if (copySize.copyWidthPx <= 0 || copySize.copyHeightPx <= 0) return page;

  PreviewOptions options;
  options.width = copySize.copyWidthPx;
  options.height = copySize.copyHeightPx;
  options.substrate = substrate;
  options.blackFuzzy = s.blackFuzzyOverride > 0 ? s.blackFuzzyOverride : ReadBlackFuzzy(s.files);
  options.foil = IsFoilMedia(s.live, s.text);
  const PreviewBitmap& copy = RenderPreview(path.grid, path.table, s.live, options, path.profiles,
                                            path.preview, s.text, s.hooks);

  // Copies that run past the page are cut at its edge, as on screen.
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
  return page;
}

}  // namespace nvx::app
