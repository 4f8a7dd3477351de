#include "pattern/shape_record.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "settings/text_encoding.h"

namespace nvx {
namespace {

constexpr std::size_t kNameOffset = 4;
constexpr std::size_t kPitch45Offset = kNameOffset + 2 * kShapeNameUnits;
constexpr std::size_t kPitch0Offset = kPitch45Offset + 4;
constexpr std::size_t kPathsOffset = kPitch0Offset + 4;
constexpr std::size_t kFillsOffset = kPathsOffset + kMaxShapePaths * kPathSlotBytes;

void PutU32(std::string& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(std::string_view in, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i)
    value |= std::uint32_t{static_cast<unsigned char>(in[at + i])} << (8 * i);
  return value;
}

void PutFloat(std::string& out, std::size_t at, float value) {
  PutU32(out, at, std::bit_cast<std::uint32_t>(value));
}

float GetFloat(std::string_view in, std::size_t at) { return std::bit_cast<float>(GetU32(in, at)); }

// At most 40 units, and never the first half of a surrogate pair alone.
std::u16string CutName(std::u16string units) {
  if (units.size() > kShapeNameUnits) {
    units.resize(kShapeNameUnits);
    if (units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
  }
  return units;
}

}  // namespace

std::string StoredShapeName(std::string_view name) {
  return Utf16ToUtf8(CutName(Utf8ToUtf16(name)));
}

std::string EncodeShapeRecord(const ShapeRecord& shape) {
  std::string out(kShapeRecordBytes, '\0');
  PutU32(out, 0, static_cast<std::uint32_t>(shape.pathCount));
  std::u16string name = CutName(Utf8ToUtf16(shape.name));
  name.resize(kShapeNameUnits, u' ');
  for (int i = 0; i < kShapeNameUnits; ++i) {
    out[kNameOffset + 2 * i] = static_cast<char>(name[i] & 0xFF);
    out[kNameOffset + 2 * i + 1] = static_cast<char>(name[i] >> 8);
  }
  PutFloat(out, kPitch45Offset, shape.pitchAdjust45);
  PutFloat(out, kPitch0Offset, shape.pitchAdjust0);
  for (int p = 0; p < kMaxShapePaths; ++p) {
    const ShapePath& path = shape.paths[p];
    const std::size_t slot = kPathsOffset + p * kPathSlotBytes;
    PutU32(out, slot, static_cast<std::uint32_t>(path.pointCount));
    for (int i = 0; i < kMaxPathPoints; ++i) {
      PutFloat(out, slot + 4 + 8 * i, path.points[i].x);
      PutFloat(out, slot + 8 + 8 * i, path.points[i].y);
    }
    PutU32(out, kFillsOffset + 4 * p, static_cast<std::uint32_t>(shape.pathFill[p]));
  }
  return out;
}

ShapeRecord DecodeShapeRecord(std::string_view bytes) {
  std::string full(bytes.substr(0, kShapeRecordBytes));
  full.resize(kShapeRecordBytes, '\0');
  ShapeRecord shape;
  shape.pathCount = static_cast<std::int32_t>(GetU32(full, 0));
  std::u16string name(kShapeNameUnits, u' ');
  for (int i = 0; i < kShapeNameUnits; ++i) {
    name[i] = static_cast<char16_t>(static_cast<unsigned char>(full[kNameOffset + 2 * i]) |
                                    static_cast<unsigned char>(full[kNameOffset + 2 * i + 1]) << 8);
  }
  // The padding is spaces; a record written elsewhere may pad with zeros.
  while (!name.empty() && (name.back() == u' ' || name.back() == u'\0')) name.pop_back();
  shape.name = Utf16ToUtf8(name);
  shape.pitchAdjust45 = GetFloat(full, kPitch45Offset);
  shape.pitchAdjust0 = GetFloat(full, kPitch0Offset);
  for (int p = 0; p < kMaxShapePaths; ++p) {
    ShapePath& path = shape.paths[p];
    const std::size_t slot = kPathsOffset + p * kPathSlotBytes;
    path.pointCount = static_cast<std::int32_t>(GetU32(full, slot));
    for (int i = 0; i < kMaxPathPoints; ++i) {
      path.points[i] = {GetFloat(full, slot + 4 + 8 * i), GetFloat(full, slot + 8 + 8 * i)};
    }
    shape.pathFill[p] = static_cast<std::int32_t>(GetU32(full, kFillsOffset + 4 * p));
  }
  return shape;
}

std::size_t ShapeRecordCount(std::uintmax_t fileBytes) {
  // Half a record rounds to even, as every rounding of the program does.
  const std::uintmax_t whole = fileBytes / kShapeRecordBytes;
  const std::uintmax_t rest = fileBytes % kShapeRecordBytes;
  const bool up = 2 * rest > kShapeRecordBytes || (2 * rest == kShapeRecordBytes && whole % 2 == 1);
  return static_cast<std::size_t>(whole + (up ? 1 : 0));
}

namespace {

// Rounding in the import's normalising may leave a point a hair outside.
constexpr float kSlack = 1e-3f;

bool Within(float value, float low, float high) {
  return value >= low - kSlack && value <= high + kSlack;  // false for NaN
}

bool IsSoundPath(const ShapePath& path) {
  if (path.pointCount < 0 || path.pointCount > kMaxPathPoints) return false;
  return std::all_of(path.points.begin(), path.points.begin() + path.pointCount,
                     [](const ShapePoint& point) {
                       return Within(point.x, 0, kMaxShapeAspect) && Within(point.y, 0, 1);
                     });
}

}  // namespace

bool IsSoundShapeRecord(const ShapeRecord& shape) {
  if (shape.pathCount < 1 || shape.pathCount > kMaxShapePaths) return false;
  if (!Within(shape.pitchAdjust45, -kMaxPitchAdjust, kMaxPitchAdjust) ||
      !Within(shape.pitchAdjust0, -kMaxPitchAdjust, kMaxPitchAdjust)) {
    return false;
  }
  for (int p = 0; p < shape.pathCount; ++p) {
    if (!IsSoundPath(shape.paths[p])) return false;
    if (shape.pathFill[p] != 0 && shape.pathFill[p] != kWhitePathFill) return false;
  }
  return true;
}

int PathsInUse(const ShapeRecord& shape) { return std::clamp(shape.pathCount, 0, kMaxShapePaths); }

int PointsInUse(const ShapePath& path) { return std::clamp(path.pointCount, 0, kMaxPathPoints); }

}  // namespace nvx
