#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nvx {

// One shape of the shape library, as the file holds it. Coordinates are
// normalised: the shape is 1.0 high, y runs downwards from 0 at the top, x from
// 0 at the left to the width-to-height ratio.
inline constexpr int kMaxShapePaths = 20;
inline constexpr int kMaxPathPoints = 200;
inline constexpr int kShapeNameUnits = 40;  // UTF-16 code units
inline constexpr std::size_t kPathSlotBytes = 4 + kMaxPathPoints * 8;
inline constexpr std::size_t kShapeRecordBytes =
    4 + 2 * kShapeNameUnits + 4 + 4 + kMaxShapePaths * kPathSlotBytes + kMaxShapePaths * 4;
static_assert(kShapeRecordBytes == 32252);

// `pathFill` of a path whose source fill was white: it cuts a hole into the
// paths drawn before it.
inline constexpr std::int32_t kWhitePathFill = 0xFFFFFF;

struct ShapePoint {
  float x = 0;
  float y = 0;
};

struct ShapePath {
  std::int32_t pointCount = 0;  // 0..200; only these points are meaningful
  std::array<ShapePoint, kMaxPathPoints> points{};
};

struct ShapeRecord {
  std::int32_t pathCount = 0;  // 1..20 in a good record
  std::string name;            // UTF-8, without the padding
  float pitchAdjust45 = 0;     // extra relative row pitch at screen angle 45
  float pitchAdjust0 = 0;      // ... at screen angle 0
  std::array<ShapePath, kMaxShapePaths> paths{};
  std::array<std::int32_t, kMaxShapePaths> pathFill{};
};

// The 32,252 bytes of a record: little-endian numbers, the name as UTF-16LE cut
// to 40 units (never inside a surrogate pair) and padded with spaces.
std::string EncodeShapeRecord(const ShapeRecord& shape);

// Reads a record from its bytes; missing bytes at the end read as zero. The
// name comes back without its trailing padding.
ShapeRecord DecodeShapeRecord(std::string_view bytes);

// The name as the record stores it: cut to 40 UTF-16 units.
std::string StoredShapeName(std::string_view name);

// How many records a library file of this length holds: the length in records,
// rounded to the nearest whole number.
std::size_t ShapeRecordCount(std::uintmax_t fileBytes);

// What the import can write: its gap boxes run from -5 to 5 mm, stored as
// tenths; no shape it makes is more than this many times as wide as high.
inline constexpr float kMaxPitchAdjust = 0.5f;
inline constexpr float kMaxShapeAspect = 1000.0f;

// True when every number of the record is one the import can write: 1 to 20
// paths of 0 to 200 points, the points within the normalised shape (y from 0
// to 1, x from 0 to kMaxShapeAspect), the pitch adjusts within
// +-kMaxPitchAdjust and each fill black or white. Any other record is damaged.
bool IsSoundShapeRecord(const ShapeRecord& shape);

// Paths in use (0..20), and points in use of one path (0..200), whatever the
// file says.
int PathsInUse(const ShapeRecord& shape);
int PointsInUse(const ShapePath& path);

}  // namespace nvx
