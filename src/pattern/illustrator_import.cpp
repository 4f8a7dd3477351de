#include "pattern/illustrator_import.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/readable_file.h"
#include "settings/numbers.h"

namespace nvx {
namespace {

constexpr int kFirstCurveSteps = 20;
constexpr int kFewestCurveSteps = 5;
// An outline of at most 20 paths of 200 points needs nothing near this; the
// rest of such a file is the program's own set-up, a preview at most.
constexpr std::size_t kMaxIllustratorFileBytes = 32 << 20;

// Lines ended by CR LF, LF or CR alone: files come from many tools. The lines
// are taken one at a time from the text, never all listed at once.
class LineCursor {
 public:
  LineCursor(std::string_view text, std::size_t start) : text_(text), pos_(start) {}

  std::optional<std::string_view> Next() {
    if (pos_ >= text_.size()) return std::nullopt;
    const std::size_t end = std::min(text_.find_first_of("\r\n", pos_), text_.size());
    const std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size())
      pos_ += text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n' ? 2 : 1;
    return line;
  }
  std::size_t Position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_;
};

// Fields are separated by runs of blanks; a line may start with them.
std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  constexpr std::string_view kBlanks = " \t\f\v";
  std::size_t pos = line.find_first_not_of(kBlanks);
  while (pos != std::string_view::npos) {
    const std::size_t end = line.find_first_of(kBlanks, pos);
    fields.push_back(line.substr(pos, end == std::string_view::npos ? end : end - pos));
    pos = line.find_first_not_of(kBlanks, end);
  }
  return fields;
}

// Field n (from 1) as a number; a missing or non-numeric field reads as 0.
double Field(const std::vector<std::string_view>& fields, std::size_t n) {
  return n <= fields.size() ? LeadingNumber(fields[n - 1]) : 0;
}

double SumOfFirstFour(const std::vector<std::string_view>& fields) {
  return Field(fields, 1) + Field(fields, 2) + Field(fields, 3) + Field(fields, 4);
}

struct Point {
  double x = 0, y = 0;
};

Point Lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// De Casteljau: three interpolations, then two, then one.
Point Bezier(Point p0, Point p1, Point p2, Point p3, double t) {
  const Point a = Lerp(p0, p1, t), b = Lerp(p1, p2, t), c = Lerp(p2, p3, t);
  return Lerp(Lerp(a, b, t), Lerp(b, c, t), t);
}

// Where phase 1 leaves the file: the offset of the body's first line, or the refusal.
struct Header {
  std::size_t bodyStart = 0;
  std::optional<ImportRefusal> refusal;
};

Header ReadHeader(std::string_view text) {
  LineCursor lines(text, 0);
  while (std::optional<std::string_view> next = lines.Next()) {
    const std::string line = AsciiLower(*next);
    if (Contains(line, "%%creator: adobe illustrator(")) {
      if (RoundHalfEven(Field(SplitFields(line), 4)) > 8) return {0, ImportRefusal::VersionAbove8};
    }
    if (Contains(line, "%pdf")) return {0, ImportRefusal::PdfBased};
    if (Contains(line, "%%endsetup")) return {lines.Position(), std::nullopt};
  }
  // Without a body there is no shape, whether or not a creator line was met.
  return {0, ImportRefusal::UnexpectedFile};
}

// One pass over the body at a given number of curve steps.
class BodyReader {
 public:
  explicit BodyReader(int curveSteps) : steps_(curveSteps) {}

  // False when a path holds too many points or the shape too many paths.
  bool Full() const { return next_ >= kMaxPathPoints || path_ > kMaxShapePaths; }
  bool MetCurve() const { return curve_; }
  ShapeRecord& record() { return record_; }

  void Read(std::string_view line) {
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.empty()) return;
    // The operator is the whole last field: "get exec" is no curve and a
    // comment that ends in "l" no line.
    const std::string_view op = fields.back();
    if (op == "Xa") {
      fill_ = SumOfFirstFour(fields) == 0 ? kWhitePathFill : 0;
    } else if (op == "k") {
      fill_ = SumOfFirstFour(fields) < 0.5 ? kWhitePathFill : 0;
    } else if (op == "f" || op == "F" || op == "b" || op == "B") {
      if (path_ >= 1) record_.paths[path_ - 1].pointCount = next_ - 1;
    } else if (op == "c" || op == "C") {
      Curve({Field(fields, 1), Field(fields, 2)}, {Field(fields, 3), Field(fields, 4)},
            {Field(fields, 5), Field(fields, 6)});
    } else if (op == "v" || op == "V") {  // the first control point is the current point
      Curve(current_, {Field(fields, 1), Field(fields, 2)}, {Field(fields, 3), Field(fields, 4)});
    } else if (op == "y" || op == "Y") {  // the second control point is the end point
      Curve({Field(fields, 1), Field(fields, 2)}, {Field(fields, 3), Field(fields, 4)},
            {Field(fields, 3), Field(fields, 4)});
    } else if (op == "m") {
      MoveTo(fields);
    } else if (op == "l" || op == "L") {
      Store({Field(fields, 1), Field(fields, 2)});
    }
  }

  void Finish() { record_.pathCount = path_; }

 private:
  void Store(Point p) {
    if (path_ < 1) return;  // no path started yet
    record_.paths[path_ - 1].points[next_ - 1] = {static_cast<float>(p.x), static_cast<float>(p.y)};
    current_ = p;
    ++next_;
  }

  void MoveTo(const std::vector<std::string_view>& fields) {
    ++path_;
    if (path_ > kMaxShapePaths) return;  // the next line gives up or restarts
    record_.pathFill[path_ - 1] = fill_;
    next_ = 1;
    Store({Field(fields, 1), Field(fields, 2)});
  }

  // A cubic Bezier from the current point through p1 and p2 to p3.
  void Curve(Point p1, Point p2, Point p3) {
    curve_ = true;
    // A curve that would reach point 200 is not stored; the next line restarts.
    if (next_ + steps_ >= kMaxPathPoints) {
      next_ = kMaxPathPoints;
      return;
    }
    const Point p0 = current_;
    for (int i = 0; i <= steps_; ++i) {
      Store(Bezier(p0, p1, p2, p3, static_cast<double>(i) / steps_));
    }
  }

  int steps_;
  ShapeRecord record_;
  int path_ = 0;
  int next_ = 1;
  std::int32_t fill_ = 0;
  bool curve_ = false;
  Point current_;
};

// The outline of a body, flattened with fewer curve steps until every path fits.
Result<ShapeRecord> ReadBody(std::string_view text, std::size_t bodyStart) {
  for (int steps = kFirstCurveSteps;; --steps) {
    BodyReader reader(steps);
    LineCursor lines(text, bodyStart);
    // The check also runs after the last line, so a file that ends on a path
    // too many never yields a record beyond the limits.
    for (std::optional<std::string_view> line;
         !reader.Full() && (line = lines.Next()) && !Contains(*line, "%%PageTrailer");) {
      reader.Read(*line);
    }
    if (!reader.Full()) {
      reader.Finish();
      return std::move(reader.record());
    }
    if (!reader.MetCurve() || steps - 1 < kFewestCurveSteps) {
      return Fail(ImportFailureMessage(ImportRefusal::TooManyNodes), Failure::Kind::Refused);
    }
  }
}

// Height 1, y downwards, x from 0. A shape without height or width cannot be
// scaled and is no shape.
bool Normalise(ShapeRecord& shape) {
  double minX = std::numeric_limits<double>::infinity(), minY = minX;
  double maxX = -minX, maxY = -minX;
  for (int p = 0; p < shape.pathCount; ++p) {
    ShapePath& path = shape.paths[p];
    for (int i = 0; i < path.pointCount; ++i) {
      minX = std::min<double>(minX, path.points[i].x),
      maxX = std::max<double>(maxX, path.points[i].x);
      minY = std::min<double>(minY, path.points[i].y),
      maxY = std::max<double>(maxY, path.points[i].y);
    }
  }
  const double height = maxY - minY, width = maxX - minX;
  if (!(height > 0 && width > 0 && std::isfinite(height) && std::isfinite(width))) return false;
  for (int p = 0; p < shape.pathCount; ++p) {
    ShapePath& path = shape.paths[p];
    for (int i = 0; i < path.pointCount; ++i) {
      ShapePoint& point = path.points[i];
      point.x = static_cast<float>((point.x - minX) / height);
      point.y = static_cast<float>((point.y - minY) / height);
    }
  }
  float top = 0;
  for (int p = 0; p < shape.pathCount; ++p) {
    for (int i = 0; i < shape.paths[p].pointCount; ++i)
      top = std::max(top, shape.paths[p].points[i].y);
  }
  for (int p = 0; p < shape.pathCount; ++p) {
    ShapePath& path = shape.paths[p];
    for (int i = 0; i < path.pointCount; ++i) {
      path.points[i].y = top - path.points[i].y;
      if (!std::isfinite(path.points[i].x) || !std::isfinite(path.points[i].y)) return false;
    }
  }
  return true;
}

// Points beyond those in use carry nothing: leave them zero.
void ClearUnused(ShapeRecord& shape) {
  for (int p = 0; p < kMaxShapePaths; ++p) {
    ShapePath& path = shape.paths[p];
    if (p >= shape.pathCount) {
      path = ShapePath{};
      shape.pathFill[p] = 0;
      continue;
    }
    std::fill(path.points.begin() + path.pointCount, path.points.end(), ShapePoint{});
  }
}

}  // namespace

std::string_view RefusalReason(ImportRefusal refusal) {
  switch (refusal) {
    case ImportRefusal::TooManyNodes:
      return "To many nodes";
    case ImportRefusal::UnexpectedFile:
      return "Unexpected file";
    case ImportRefusal::VersionAbove8:
      return "AI file greater than Ver 8";
    case ImportRefusal::PdfBased:
      return "PDF Version of AI";
  }
  return "Unexpected file";
}

std::string ImportFailureMessage(ImportRefusal refusal) {
  return "Conversion failed\r\n" + std::string(RefusalReason(refusal));
}

Result<ShapeRecord> ImportIllustratorText(std::string_view text, std::string_view name) {
  const Header header = ReadHeader(text);
  if (header.refusal) return Fail(ImportFailureMessage(*header.refusal), Failure::Kind::Refused);
  Result<ShapeRecord> shape = ReadBody(text, header.bodyStart);
  if (!shape) return shape;
  if (!Normalise(*shape)) {
    return Fail(ImportFailureMessage(ImportRefusal::UnexpectedFile), Failure::Kind::Refused);
  }
  ClearUnused(*shape);
  shape->name = std::string(name);
  return shape;
}

Result<ShapeRecord> ImportIllustratorFile(const std::filesystem::path& file) {
  const Result<std::string> read = platform::ReadRegularFile(file, kMaxIllustratorFileBytes);
  if (!read) return Fail("Cannot read " + file.string() + ": " + read.failure().message);
  return ImportIllustratorText(*read, file.stem().string());
}

}  // namespace nvx
