#include "pattern/mask_plane.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "image/separation.h"
#include "pattern/shape_library.h"
#include "pattern/shape_test_support.h"
#include "settings/settings_keys.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

constexpr std::uint8_t kIn = 0;     // under a shape: the ink stays
constexpr std::uint8_t kOut = 255;  // between the shapes: the ink is cleared

// 5 pixels a millimetre, 2 mm shapes (10 px) and a 1.2 mm gap (6 px): a pitch of
// 16 px, a row shift of round(5 + 3) = 8 and a crop of round(5) = 5 columns.
PatternSettings SmallPattern(std::string shape, int angle) {
  PatternSettings settings;
  settings.shape = std::move(shape);
  settings.sizeXMm = settings.sizeYMm = 2;
  settings.gapMm = 1.2;
  settings.screenAngle = angle;
  return settings;
}

struct Plane {
  std::vector<std::uint8_t> bytes;
  int width = 0;
  std::uint8_t At(int row, int column) const { return bytes[row * width + column]; }
};

Plane Generate(const PatternSettings& settings, const PatternShape& shape, int width, int height,
               double k = 5) {
  Result<std::vector<std::uint8_t>> plane =
      GenerateMaskPlane(settings, shape, MaskRequest{width, height, k}, {});
  EXPECT_TRUE(plane);
  return Plane{plane ? *plane : std::vector<std::uint8_t>{}, width};
}

// The plane as rows of '#' (under a shape) and '.', to show a difference.
std::string Picture(const std::vector<std::uint8_t>& plane, int width) {
  std::string text;
  for (std::size_t i = 0; i < plane.size(); ++i) {
    text += plane[i] == kIn ? '#' : '.';
    if ((i + 1) % width == 0) text += '\n';
  }
  return text;
}

struct Band {
  int firstRow, endRow;
  std::vector<std::pair<int, int>> columns;  // [begin, end)
};

std::vector<std::uint8_t> Expected(int width, int height, const std::vector<Band>& bands) {
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(width) * height, kOut);
  for (const Band& band : bands) {
    for (int row = band.firstRow; row < std::min(band.endRow, height); ++row) {
      for (auto [begin, end] : band.columns) {
        for (int column = begin; column < std::min(end, width); ++column) {
          plane[row * width + column] = kIn;
        }
      }
    }
  }
  return plane;
}

// Rows of shapes at canvas rows 1, 17, 33 (mask rows 0, 16, 32); shapes at canvas
// columns 1, 17, 33, 49, at 45 degrees every second row from column 8; the mask
// starts at canvas column 5.
TEST(MaskPlaneGeometry, RectanglesStandAtThePitchShiftedAndCropped) {
  const std::vector<std::pair<int, int>> first{{0, 6}, {12, 22}, {28, 38}, {44, 54}};
  const std::vector<std::pair<int, int>> shifted{{3, 13}, {19, 29}, {35, 45}, {51, 61}};
  const PatternShape rectangle{PatternShapeKind::Rectangle, {}};
  EXPECT_EQ(Picture(Generate(SmallPattern("Rectangle", 45), rectangle, 60, 40).bytes, 60),
            Picture(Expected(60, 40, {{0, 10, first}, {16, 26, shifted}, {32, 42, first}}), 60));
  EXPECT_EQ(Picture(Generate(SmallPattern("Rectangle", 0), rectangle, 60, 40).bytes, 60),
            Picture(Expected(60, 40, {{0, 10, first}, {16, 26, first}, {32, 42, first}}), 60));
}

struct Probe {
  int row, column;
  std::uint8_t value;
};

// Ellipses at 45 degrees: rows round(0.87 x 16) = 14 apart, every second one
// shifted by half a pitch; at 0 degrees 16 apart, unshifted.
TEST(MaskPlaneGeometry, EllipseRowsNestAtFortyFiveDegrees) {
  const PatternShape ellipse{PatternShapeKind::Ellipse, {}};
  const Plane at45 = Generate(SmallPattern("Ellipse", 45), ellipse, 60, 44);
  for (Probe p : std::vector<Probe>{{5, 1, kIn},
                                    {5, 17, kIn},
                                    {5, 49, kIn},
                                    {19, 8, kIn},
                                    {19, 40, kIn},
                                    {33, 17, kIn},
                                    {0, 12, kOut},
                                    {9, 21, kOut},
                                    {5, 25, kOut},
                                    {12, 30, kOut},
                                    {19, 1, kOut},
                                    {21, 17, kOut}}) {
    EXPECT_EQ(at45.At(p.row, p.column), p.value) << "row " << p.row << ", column " << p.column;
  }
  const Plane at0 = Generate(SmallPattern("Ellipse", 0), ellipse, 60, 44);
  for (Probe p : std::vector<Probe>{{21, 1, kIn}, {21, 17, kIn}, {19, 8, kOut}, {14, 17, kOut}}) {
    EXPECT_EQ(at0.At(p.row, p.column), p.value) << "row " << p.row << ", column " << p.column;
  }
}

// A 4 mm frame (20 px) with an 8 px hole; the second shape of the first row
// covers mask columns 17 to 36, its hole 23 to 30, rows 6 to 13.
TEST(MaskPlaneGeometry, LibraryShapeCutsItsHoleUnlessInverted) {
  PatternSettings settings = SmallPattern("frame", 0);
  settings.sizeXMm = settings.sizeYMm = 4;
  PatternShape frame{PatternShapeKind::Library, test::FrameShape("frame")};
  const std::vector<Probe> body{{2, 20, kIn}, {10, 27, kOut}, {10, 14, kOut}, {30, 20, kIn}};
  const Plane plain = Generate(settings, frame, 60, 80);
  for (Probe p : body) EXPECT_EQ(plain.At(p.row, p.column), p.value) << p.row << "," << p.column;

  settings.invert = true;  // every path white on black: the hole is no hole
  const Plane inverted = Generate(settings, frame, 60, 80);
  for (Probe p : std::vector<Probe>{{2, 20, kOut}, {10, 27, kOut}, {10, 14, kIn}}) {
    EXPECT_EQ(inverted.At(p.row, p.column), p.value) << p.row << "," << p.column;
  }

  settings.invert = false;
  frame.record.pitchAdjust0 = 0.5f;  // rows 39 instead of 26 apart
  EXPECT_EQ(Generate(settings, frame, 60, 80).At(30, 20), kOut);
  EXPECT_EQ(Generate(settings, frame, 60, 80).At(45, 20), kIn);
}

TEST(MaskPlaneGeometry, PitchBelowAPixelStillEnds) {
  PatternSettings settings = SmallPattern("frame", 0);
  PatternShape frame{PatternShapeKind::Library, test::FrameShape("frame")};
  frame.record.pitchAdjust0 = -3;  // a negative pitch
  EXPECT_EQ(Generate(settings, frame, 30, 30).bytes.size(), 900u);
  EXPECT_EQ(Generate(settings, frame, 30, 30, 0.01).bytes.size(), 900u);
  // A pitch beyond any number of rows: the canvas ends the rows, not the pitch.
  for (float adjust : {-1e23f, 1e23f, -3e38f}) {
    frame.record.pitchAdjust0 = adjust;
    EXPECT_EQ(Generate(settings, frame, 30, 30).bytes.size(), 900u) << adjust;
  }
}

// The plane must follow the image: each source pixel's mask byte lands where
// the orientation step puts that pixel.
class MaskOrientationTest : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(MaskOrientationTest, LinesUpWithTheOrientedImage) {
  const auto [mirror, flip, rotate] = GetParam();
  const PatternSettings settings = SmallPattern("Rectangle", 45);
  const PatternShape rectangle{PatternShapeKind::Rectangle, {}};
  const int width = 23, height = 17;
  const Plane source = Generate(settings, rectangle, width, height, 3);

  WorkingImage image;
  image.widthPx = width, image.heightPx = height;
  image.imageWidthPt = 23, image.imageHeightPt = 17;
  for (std::uint8_t byte : source.bytes)
    image.buffer.insert(image.buffer.end(), {byte, 0, 0, 0, 255});
  LiveSettings live;
  live.mirrorOn = mirror, live.flip = flip, live.rotate = rotate;
  OrientedImage grid;
  ASSERT_TRUE(PrepareGrid(image, live, 1e6f, 1e6f, grid, {}).ok());

  Result<std::vector<std::uint8_t>> oriented = GenerateMaskPlane(
      settings, rectangle, MaskRequest{width, height, 3, mirror, flip, rotate}, {});
  ASSERT_TRUE(oriented);
  std::vector<std::uint8_t> expected;
  for (const GridPixel& pixel : grid.pixels) expected.push_back(pixel.c);
  EXPECT_EQ(Picture(*oriented, grid.workWidthPx), Picture(expected, grid.workWidthPx));
}

INSTANTIATE_TEST_SUITE_P(MirrorFlipRotate, MaskOrientationTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

// The preview shows the print's pattern at its own scale: a preview half the
// image's size sees shapes half as large, turned with the image.
TEST(PatternPreviewMask, IsThePrintsPatternAtThePreviewsScale) {
  test::TempFolder folder;
  SettingsFiles files{folder.path(), folder.path()};
  WritePatternSettings(files, SmallPattern("Rectangle", 0));
  WorkingImage image;
  image.widthPx = 120, image.heightPx = 80;
  image.imageWidthPt = static_cast<float>(120 / 10.0 / 25.4 * 72);  // 10 pixels a millimetre
  LiveSettings live;
  live.rotate = true;
  const std::vector<std::uint8_t> preview =
      PreviewMaskSourceFor(files, folder / "shape.lib", image, live)(40, 60);
  Result<std::vector<std::uint8_t>> expected =
      GenerateMaskPlane(SmallPattern("Rectangle", 0), {PatternShapeKind::Rectangle, {}},
                        MaskRequest{60, 40, 5, false, false, true}, {});
  ASSERT_TRUE(expected);
  EXPECT_EQ(Picture(preview, 40), Picture(*expected, 40));
}

TEST(MaskPlaneMemory, AShapeTooLargeForMemoryFailsWithTheMemoryMessage) {
  Result<std::vector<std::uint8_t>> plane =
      GenerateMaskPlane(SmallPattern("Ellipse", 45), {}, MaskRequest{10, 10, 1e7}, {});
  ASSERT_FALSE(plane);
  EXPECT_EQ(plane.failure().kind, Failure::Kind::OutOfMemory);
  EXPECT_FALSE(plane.failure().message.empty());
}

TEST(MaskPlaneMemory, APlaneTooLargeForMemoryFails) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer ends the process on a failed allocation";
#else
  Result<std::vector<std::uint8_t>> plane = GenerateMaskPlane(
      SmallPattern("Ellipse", 45), {}, MaskRequest{2000000000, 2000000000, 5}, {});
  ASSERT_FALSE(plane);
  EXPECT_EQ(plane.failure().kind, Failure::Kind::OutOfMemory);
#endif
}

TEST(MaskPlaneMemory, ThePrintReportsAMaskThatDoesNotFit) {
  test::TempFolder folder;
  SettingsFiles files{folder.path(), folder.path()};
  WritePatternSettings(files, PatternSettings{});
  WorkingImage image;
  image.widthPx = image.heightPx = 4;
  image.imageWidthPt = image.imageHeightPt = 1e-6f;  // millions of pixels a millimetre
  image.buffer.assign(4 * 4 * 5, 255);
  OrientedImage grid;
  ASSERT_TRUE(PrepareGrid(image, LiveSettings{}, 1e6f, 1e6f, grid, {}).ok());
  UiHooks hooks;
  SeparationOptions options;
  options.patternMask = PrintMaskSource(files, folder / "shape.lib", image, LiveSettings{}, hooks);
  Result<SeparatedPlanes> result = SeparateImage(
      grid, BuildColourAdjustTable(LiveSettings{}.colourPoints), LiveSettings{}, options, hooks);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure().kind, Failure::Kind::OutOfMemory);
}

struct ShapeNameCase {
  const char* setting;
  PatternShapeKind kind;
};
class ResolveShapeTest : public ::testing::TestWithParam<ShapeNameCase> {};

TEST_P(ResolveShapeTest, BuiltInWordsWinAndUnknownOrDamagedShapesGiveTheEllipse) {
  test::TempFolder folder;
  const std::filesystem::path library = folder / "shape.lib";
  for (const char* name : {"star", "my_ellipse", "empty", "far_pitch", "far_point", "grey"}) {
    ShapeRecord shape = test::PolygonShape(name, {{0, 0}, {1, 0}, {0.5f, 1}});
    if (std::string_view(name) == "empty") shape.pathCount = 0;
    // Numbers no import writes: the record is damaged.
    if (std::string_view(name) == "far_pitch") shape.pitchAdjust45 = -1e23f;
    if (std::string_view(name) == "far_point") shape.paths[0].points[2].y = 4e9f;
    if (std::string_view(name) == "grey") shape.pathFill[0] = 0x808080;
    ASSERT_TRUE(AddShape(library, shape, nullptr));
  }
  EXPECT_EQ(ResolvePatternShape(GetParam().setting, library).kind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Names, ResolveShapeTest,
                         ::testing::Values(ShapeNameCase{"Star", PatternShapeKind::Library},
                                           ShapeNameCase{"My_ellipse", PatternShapeKind::Ellipse},
                                           ShapeNameCase{"RECTANGLE", PatternShapeKind::Rectangle},
                                           ShapeNameCase{"Moon", PatternShapeKind::Ellipse},
                                           ShapeNameCase{"Empty", PatternShapeKind::Ellipse},
                                           ShapeNameCase{"Far_pitch", PatternShapeKind::Ellipse},
                                           ShapeNameCase{"Far_point", PatternShapeKind::Ellipse},
                                           ShapeNameCase{"Grey", PatternShapeKind::Ellipse}));

}  // namespace
}  // namespace nvx
