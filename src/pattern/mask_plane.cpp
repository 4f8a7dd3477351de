#include "pattern/mask_plane.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "base/text.h"
#include "image/colour.h"
#include "pattern/shape_library.h"
#include "platform/huge_pages.h"
#include "settings/numbers.h"

namespace nvx {
namespace {

constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;
// A stamp larger than this many pixels is a shape no page can show.
constexpr long long kMaxStampPixels = 1LL << 24;

struct Box {
  double minX = std::numeric_limits<double>::infinity();
  double minY = std::numeric_limits<double>::infinity();
  double maxX = -std::numeric_limits<double>::infinity();
  double maxY = -std::numeric_limits<double>::infinity();

  void Add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  bool Empty() const { return !(minX <= maxX && minY <= maxY); }
};

// The points of a library shape at the pattern's size, in pixels.
std::vector<QPolygonF> ScaledPaths(const ShapeRecord& record, double scaleX, double scaleY) {
  std::vector<QPolygonF> paths;
  for (int p = 0; p < PathsInUse(record); ++p) {
    const ShapePath& path = record.paths[p];
    QPolygonF polygon;
    for (int i = 0; i < PointsInUse(path); ++i) {
      const QPointF point(scaleX * path.points[i].x, scaleY * path.points[i].y);
      if (std::isfinite(point.x()) && std::isfinite(point.y())) polygon << point;
    }
    paths.push_back(polygon);
  }
  return paths;
}

Box BoxOf(const std::vector<QPolygonF>& paths) {
  Box box;
  for (const QPolygonF& path : paths) {
    for (const QPointF& point : path) box.Add(point.x(), point.y());
  }
  return box;
}

// Where the shapes stand: the pitches between them, the start of every second
// row, and the shape's box at its own origin.
struct Cell {
  double pitchX = 0;
  double pitchY = 0;
  long long shift = 1;
  Box box;
};

Cell CellGeometry(const PatternSettings& settings, const PatternShape& shape,
                  const std::vector<QPolygonF>& paths, double k) {
  const double gap = settings.gapMm * k;
  Cell cell;
  if (shape.kind == PatternShapeKind::Library) {
    cell.box = BoxOf(paths);
    const float adjust =
        settings.screenAngle == 45 ? shape.record.pitchAdjust45 : shape.record.pitchAdjust0;
    cell.pitchX = (cell.box.maxX - cell.box.minX) + gap;
    cell.pitchY =
        ((cell.box.maxY - cell.box.minY) + gap) * (1 + (std::isfinite(adjust) ? adjust : 0));
    cell.shift = RoundHalfEven(cell.box.maxX / 2 + gap / 2);
  } else {
    const double w = k * settings.sizeXMm, h = k * settings.sizeYMm;
    cell.box.Add(0, 0);
    cell.box.Add(w, h);
    cell.pitchX = w + gap;
    cell.pitchY = h + gap;
    // Ellipses at 45 degrees nest into the gaps of the row above.
    if (shape.kind == PatternShapeKind::Ellipse && settings.screenAngle == 45) {
      cell.pitchY -= 0.13 * cell.pitchY;
    }
    cell.shift = RoundHalfEven(w / 2 + gap / 2);
  }
  if (settings.screenAngle != 45) cell.shift = 1;
  return cell;
}

// One row of a shape's pixels: columns [begin, end) relative to the box corner.
struct Run {
  int row;
  int begin;
  int end;
  std::uint8_t value;
};

QColor CanvasColour(std::uint8_t value) { return QColor(value, value, value); }

// The mask byte of a path's fill: the blue byte of its colour.
std::uint8_t FillValue(std::int32_t fill) {
  return static_cast<std::uint8_t>((static_cast<std::uint32_t>(fill) >> 16) & 0xFF);
}

// Draws one shape with QPainter (whole pixels, no antialiasing) and keeps the
// pixels it touched; every shape of the pattern is the same picture moved by
// whole pixels, so it is drawn once.
Result<std::vector<Run>> DrawStamp(const PatternSettings& settings, const PatternShape& shape,
                                   const std::vector<QPolygonF>& paths, const Box& box) {
  std::vector<Run> runs;
  if (box.Empty()) return runs;
  const double left = std::floor(box.minX) - 1, top = std::floor(box.minY) - 1;
  const double width = std::ceil(box.maxX) - left + 2, height = std::ceil(box.maxY) - top + 2;
  if (!(width * height <= static_cast<double>(kMaxStampPixels))) return OutOfMemory();
  QImage stamp(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
  if (stamp.isNull()) return OutOfMemory();
  stamp.fill(Qt::transparent);
  {
    QPainter painter(&stamp);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.translate(-left, -top);
    const QColor ink = CanvasColour(settings.invert ? kWhite : kBlack);
    const QRectF rect(0, 0, box.maxX, box.maxY);
    if (shape.kind == PatternShapeKind::Ellipse) {
      painter.setBrush(ink);
      painter.drawEllipse(rect);
    } else if (shape.kind == PatternShapeKind::Rectangle) {
      painter.fillRect(rect, ink);
    } else {
      // Paths in order, so a white path cuts a hole into those before it;
      // an inverted pattern draws every path white.
      for (std::size_t p = 0; p < paths.size(); ++p) {
        painter.setBrush(settings.invert ? ink : CanvasColour(FillValue(shape.record.pathFill[p])));
        painter.drawPolygon(paths[p], Qt::OddEvenFill);
      }
    }
  }
  for (int y = 0; y < stamp.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
    for (int x = 0; x < stamp.width();) {
      if (qAlpha(line[x]) == 0) {
        ++x;
        continue;
      }
      const std::uint8_t value = static_cast<std::uint8_t>(qBlue(line[x]));
      int end = x + 1;
      while (end < stamp.width() && qAlpha(line[end]) != 0 && qBlue(line[end]) == value) ++end;
      runs.push_back(Run{y + static_cast<int>(top), x + static_cast<int>(left),
                         end + static_cast<int>(left), value});
      x = end;
    }
  }
  return runs;
}

// The plane in the image's own orientation, cut from the canvas: canvas pixel
// (column cropX + c, row 1 + r) is plane pixel (c, r).
class Canvas {
 public:
  Canvas(std::vector<std::uint8_t>& plane, long long width, long long height, long long canvasWidth,
         long long canvasHeight, long long cropX)
      : plane_(plane),
        width_(width),
        canvasWidth_(canvasWidth),
        rows_(std::min(height, canvasHeight - 1)),
        cropX_(cropX) {}

  void Stamp(const std::vector<Run>& runs, long long x, long long y) {
    for (const Run& run : runs) {
      const long long row = y + run.row - 1;
      if (row < 0 || row >= rows_) continue;
      const long long begin = std::max(x + run.begin, cropX_) - cropX_;
      const long long end = std::min({x + run.end, canvasWidth_, cropX_ + width_}) - cropX_;
      if (begin >= end) continue;
      std::memset(&plane_[static_cast<std::size_t>(row * width_ + begin)], run.value,
                  static_cast<std::size_t>(end - begin));
    }
  }

  // Rows the canvas does not reach read as 0.
  void PadBottom() {
    const long long from = std::max(0LL, rows_);
    std::fill(plane_.begin() + static_cast<std::ptrdiff_t>(from * width_), plane_.end(), 0);
  }

 private:
  std::vector<std::uint8_t>& plane_;
  long long width_, canvasWidth_, rows_, cropX_;
};

void DrawPattern(const PatternSettings& settings, const Cell& cell, const std::vector<Run>& runs,
                 const MaskRequest& request, std::vector<std::uint8_t>& plane,
                 const UiHooks& hooks) {
  const double k = request.pixelsPerMm;
  const long long width = request.widthPx, height = request.heightPx;
  const long long canvasWidth = RoundHalfEven(width + 2 * k * settings.sizeXMm);
  const long long canvasHeight = RoundHalfEven(height + k * settings.sizeYMm);
  Canvas canvas(plane, width, height, canvasWidth, canvasHeight,
                RoundHalfEven(k * settings.sizeXMm / 2));
  // A pitch below one pixel (a tiny scale, a strongly negative pitch adjust)
  // would never leave its row.
  const long long stepX = std::max(1LL, RoundHalfEven(cell.pitchX));
  const long long stepY = std::max(1LL, RoundHalfEven(cell.pitchY));
  // However the pitch says to go on, a shape whose stamp starts beyond the
  // canvas draws nothing: the canvas bounds both loops.
  long long top = 0, left = 0;
  for (const Run& run : runs) {
    top = std::min<long long>(top, run.row);
    left = std::min<long long>(left, run.begin);
  }
  const long long lastX = std::min(RoundHalfEven(canvasWidth - cell.pitchX), canvasWidth - left);
  const long long lastY = std::min(RoundHalfEven(canvasHeight - cell.pitchY), canvasHeight - top);
  const long long rows = lastY >= 1 ? (lastY - 1) / stepY + 1 : 0;
  if (!runs.empty()) {
    for (long long i = 0; i < rows; ++i) {
      const long long y = 1 + i * stepY;
      for (long long x = i % 2 == 1 ? cell.shift : 1; x <= lastX; x += stepX) {
        canvas.Stamp(runs, x, y);
      }
      hooks.Progress(static_cast<int>(100 * (i + 1) / rows));
    }
  }
  canvas.PadBottom();
}

// The image's own transform (the separation reads the image this way):
// Flip with Mirror is no mirror, since Flip already turned the image at load;
// a quarter turn reads the plane transposed, mirrored unless Mirror is on.
Result<std::vector<std::uint8_t>> Orient(std::vector<std::uint8_t> plane,
                                         const MaskRequest& request) {
  const bool mirror = request.mirror != request.flip;
  const std::size_t width = static_cast<std::size_t>(request.widthPx);
  const std::size_t height = static_cast<std::size_t>(request.heightPx);
  if (!request.rotate) {
    if (mirror) {
      for (std::size_t row = 0; row < height; ++row) {
        std::reverse(plane.begin() + row * width, plane.begin() + (row + 1) * width);
      }
    }
    return plane;
  }
  std::vector<std::uint8_t> turned;
  try {
    platform::ResizeOnHugePages(turned, plane.size());
  } catch (const std::bad_alloc&) {
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  // Output (row, column) of the turned plane, height columns wide, is source
  // (row column, column row), the column counted from the right unless mirrored.
  // Tiles keep both the reads and the writes within a few cache lines.
  constexpr std::size_t kTile = 64;
  for (std::size_t rowTile = 0; rowTile < width; rowTile += kTile) {
    for (std::size_t columnTile = 0; columnTile < height; columnTile += kTile) {
      for (std::size_t row = rowTile; row < std::min(width, rowTile + kTile); ++row) {
        const std::size_t sourceColumn = mirror ? row : width - 1 - row;
        std::uint8_t* out = &turned[row * height];
        for (std::size_t column = columnTile; column < std::min(height, columnTile + kTile);
             ++column) {
          out[column] = plane[column * width + sourceColumn];
        }
      }
    }
  }
  return turned;
}

// A damaged record, or one with nothing to draw, is no shape to repeat.
bool Drawable(const ShapeRecord& record) {
  if (!IsSoundShapeRecord(record)) return false;
  Box box;
  for (int p = 0; p < PathsInUse(record); ++p) {
    for (int i = 0; i < PointsInUse(record.paths[p]); ++i) {
      box.Add(record.paths[p].points[i].x, record.paths[p].points[i].y);
    }
  }
  return !box.Empty();
}

}  // namespace

PatternShape ResolvePatternShape(std::string_view shapeSetting,
                                 const std::filesystem::path& library) {
  if (ContainsIgnoreCase(shapeSetting, "ellipse")) return {PatternShapeKind::Ellipse, {}};
  if (ContainsIgnoreCase(shapeSetting, "rectangle")) return {PatternShapeKind::Rectangle, {}};
  std::optional<ShapeRecord> record = FindShape(library, shapeSetting);
  if (!record || !Drawable(*record)) return {PatternShapeKind::Ellipse, {}};
  return {PatternShapeKind::Library, std::move(*record)};
}

Result<std::vector<std::uint8_t>> GenerateMaskPlane(const PatternSettings& settings,
                                                    const PatternShape& shape,
                                                    const MaskRequest& request,
                                                    const UiHooks& hooks) {
  if (request.widthPx <= 0 || request.heightPx <= 0) return std::vector<std::uint8_t>{};
  const double k = std::isfinite(request.pixelsPerMm) ? std::max(0.0, request.pixelsPerMm) : 0;
  MaskRequest scaled = request;
  scaled.pixelsPerMm = k;
  const std::vector<QPolygonF> paths =
      shape.kind == PatternShapeKind::Library
          ? ScaledPaths(shape.record, k * settings.sizeXMm, k * settings.sizeYMm)
          : std::vector<QPolygonF>{};
  const Cell cell = CellGeometry(settings, shape, paths, k);
  Result<std::vector<Run>> runs = DrawStamp(settings, shape, paths, cell.box);
  if (!runs) return OutOfMemory(OutOfMemoryMessage(1).text);
  std::vector<std::uint8_t> plane;
  try {
    const std::size_t size = static_cast<std::size_t>(request.widthPx) * request.heightPx;
    plane.reserve(size);
    platform::AdviseHugePages(plane.data(), size);
    plane.assign(size, settings.invert ? kBlack : kWhite);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(OutOfMemoryMessage(1).text);
  }
  DrawPattern(settings, cell, *runs, scaled, plane, hooks);
  return Orient(std::move(plane), request);
}

double ImagePixelsPerMm(const WorkingImage& image) {
  if (!(image.imageWidthPt > 0)) return 0;
  return image.widthPx / (image.imageWidthPt / 72.0) / 25.4;
}

PatternMaskSource PrintMaskSource(const SettingsFiles& files, const std::filesystem::path& library,
                                  const WorkingImage& image, const LiveSettings& live,
                                  const UiHooks& hooks) {
  const MaskRequest request{image.widthPx, image.heightPx, ImagePixelsPerMm(image),
                            live.mirrorOn, live.flip,      live.rotate};
  return [files, library, request, hooks]() {
    const PatternSettings settings = ReadPatternSettings(files);
    Result<std::vector<std::uint8_t>> plane =
        GenerateMaskPlane(settings, ResolvePatternShape(settings.shape, library), request, hooks);
    if (!plane) throw std::bad_alloc();
    return std::move(*plane);
  };
}

PreviewMaskSource PreviewMaskSourceFor(const SettingsFiles& files,
                                       const std::filesystem::path& library,
                                       const WorkingImage& image, const LiveSettings& live) {
  const double k = ImagePixelsPerMm(image);
  const int workWidth = live.rotate ? image.heightPx : image.widthPx;
  const bool mirror = live.mirrorOn, flip = live.flip, rotate = live.rotate;
  return [files, library, k, workWidth, mirror, flip, rotate](int width, int height) {
    if (workWidth <= 0) return std::vector<std::uint8_t>{};
    const MaskRequest request{rotate ? height : width,
                              rotate ? width : height,
                              k * width / workWidth,
                              mirror,
                              flip,
                              rotate};
    const PatternSettings settings = ReadPatternSettings(files);
    Result<std::vector<std::uint8_t>> plane =
        GenerateMaskPlane(settings, ResolvePatternShape(settings.shape, library), request, {});
    return plane ? std::move(*plane) : std::vector<std::uint8_t>{};
  };
}

}  // namespace nvx
