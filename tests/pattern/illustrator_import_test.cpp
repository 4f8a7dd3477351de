#include "pattern/illustrator_import.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

constexpr const char* kHeader =
    "%!PS-Adobe-3.0\n%%Creator: Adobe Illustrator(R) 8.0\n%%EndComments\n%%BeginSetup\n"
    "Adobe_IllustratorA_AI3 /initialize get exec\n%%EndSetup\n";

std::string Ai(const std::string& body, const std::string& ending = "\n") {
  std::string text = std::string(kHeader) + body + "%%PageTrailer\n%%Trailer\n";
  std::string out;
  for (char c : text) out += c == '\n' ? ending : std::string(1, c);
  return out;
}

std::string Square() { return "0 0 0 1 k\n10 10 m\n30 10 l\n30 20 l\n10 20 l\n10 10 l\nf\n"; }

// A path of the m point and `count` - 1 lines.
std::string StraightPath(int count) {
  std::string body = "0 0 0 1 k\n0 0 m\n";
  for (int i = 1; i < count; ++i) body += std::to_string(i) + " " + std::to_string(i % 7) + " l\n";
  return body + "f\n";
}

// A path of the m point and `count` curves.
std::string CurvedPath(int count) {
  std::string body = "0 0 0 1 k\n0 0 m\n";
  for (int i = 0; i < count; ++i) {
    const std::string x = std::to_string(10 * i);
    body += x + " 5 " + x + " 10 " + std::to_string(10 * i + 10) + " 0 c\n";
  }
  return body + "f\n";
}

ShapeRecord Import(const std::string& text) {
  Result<ShapeRecord> shape = ImportIllustratorText(text, "shape");
  EXPECT_TRUE(shape) << (shape ? "" : shape.failure().message);
  return shape ? *shape : ShapeRecord{};
}

class LineEndTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LineEndTest, TheSquareBecomesTwoWideAndOneHighWithItsTopAtZero) {
  std::string body = Square();
  body.replace(body.find("30 10 l"), 7, "   30\t 10   l");  // runs of blanks, a leading one
  const ShapeRecord shape = Import(Ai(body, GetParam()));
  ASSERT_EQ(shape.pathCount, 1);
  ASSERT_EQ(shape.paths[0].pointCount, 5);
  const ShapePoint* points = shape.paths[0].points.data();
  EXPECT_EQ(points[0].x, 0);  // (10, 10): the bottom left
  EXPECT_EQ(points[0].y, 1);
  EXPECT_EQ(points[2].x, 2);  // (30, 20): the top right
  EXPECT_EQ(points[2].y, 0);
  EXPECT_EQ(shape.pathFill[0], 0);
  EXPECT_EQ(shape.name, "shape");
}

INSTANTIATE_TEST_SUITE_P(Endings, LineEndTest, ::testing::Values("\r\n", "\n", "\r"),
                         [](const auto& info) {
                           return std::string(info.param) == "\r\n" ? "CrLf"
                                  : info.param[0] == '\n'           ? "Lf"
                                                                    : "Cr";
                         });

struct RefusalCase {
  const char* name;
  std::string text;
  const char* reason;
};
class ImportRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ImportRefusalTest, FailsWithTheReason) {
  Result<ShapeRecord> shape = ImportIllustratorText(GetParam().text, "x");
  ASSERT_FALSE(shape);
  EXPECT_EQ(shape.failure().message, std::string("Conversion failed\r\n") + GetParam().reason);
}

std::string ManyPaths(int count) {
  std::string body;
  for (int i = 0; i < count; ++i) body += StraightPath(3);
  return body;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportRefusalTest,
    ::testing::Values(
        RefusalCase{"VersionNine", "%%Creator: Adobe Illustrator(R) 9.0\n%%EndSetup\n" + Square(),
                    "AI file greater than Ver 8"},
        RefusalCase{"Pdf", "%PdF-1.4\n%%EndSetup\n" + Square(), "PDF Version of AI"},
        RefusalCase{"NoBody", "%!PS\n10 10 m\n", "Unexpected file"},
        RefusalCase{"CreatorWithoutBody", "%%Creator: Adobe Illustrator(R) 8.0\n10 10 m\n",
                    "Unexpected file"},
        RefusalCase{"ZeroHeight", Ai("0 0 0 1 k\n0 5 m\n10 5 l\nf\n"), "Unexpected file"},
        RefusalCase{"ZeroWidth", Ai("0 0 0 1 k\n5 0 m\n5 10 l\nf\n"), "Unexpected file"},
        RefusalCase{"ScaleBeyondFloat", Ai("0 0 0 1 k\n-1e300 0 m\n1e300 0 l\n0 1e-300 l\nf\n"),
                    "Unexpected file"},
        RefusalCase{"TwentyOnePaths", Ai(ManyPaths(21)), "To many nodes"},
        RefusalCase{"TwentyOnePathsAtTheEnd", std::string(kHeader) + ManyPaths(20) + "0 0 m",
                    "To many nodes"},
        RefusalCase{"StraightPointsToTheLimit", Ai(StraightPath(199)), "To many nodes"},
        RefusalCase{"CurvesBeyondFiveSteps", Ai(CurvedPath(40)), "To many nodes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IllustratorImport, StraightPointsWithinTheLimitTakeOnePass) {
  EXPECT_EQ(Import(Ai(StraightPath(150))).paths[0].pointCount, 150);
  EXPECT_EQ(Import(Ai(StraightPath(198))).paths[0].pointCount, 198);
}

// Ten curves: 1 + 10 x 21 points at 20 steps do not fit; at 18 steps
// 1 + 10 x 19 = 191 do.
TEST(IllustratorImport, CurvesThatDoNotFitAreReadAgainWithFewerSteps) {
  const ShapeRecord shape = Import(Ai(CurvedPath(10)));
  EXPECT_EQ(shape.paths[0].pointCount, 191);
  EXPECT_EQ(Import(Ai(CurvedPath(1))).paths[0].pointCount, 22);  // 20 steps: p0 and 21 points
}

// Illustrator writes a curve whose first control point is the current point
// with "v", one whose second is the end point with "y".
TEST(IllustratorImport, ShortCurveOperatorsAreCurves) {
  const std::string start = "0 0 0 1 k\n0 0 m\n";
  EXPECT_EQ(EncodeShapeRecord(Import(Ai(start + "5 10 20 0 v\n0 -5 l\nf\n"))),
            EncodeShapeRecord(Import(Ai(start + "0 0 5 10 20 0 c\n0 -5 l\nf\n"))));
  EXPECT_EQ(EncodeShapeRecord(Import(Ai(start + "5 10 20 0 y\n0 -5 l\nf\n"))),
            EncodeShapeRecord(Import(Ai(start + "5 10 20 0 20 0 c\n0 -5 l\nf\n"))));
}

TEST(IllustratorImport, AWhiteFillMakesAHole) {
  const ShapeRecord shape =
      Import(Ai(Square() + "0 0 0 0 k\n15 12 m\n25 12 l\n25 18 l\nf\n0.2 0.2 0.2 0 k\n"));
  ASSERT_EQ(shape.pathCount, 2);
  EXPECT_EQ(shape.pathFill[0], 0);
  EXPECT_EQ(shape.pathFill[1], kWhitePathFill);
}

TEST(IllustratorImport, OnlyTheLastWholeFieldIsTheOperator) {
  const std::string noise =
      "Adobe_IllustratorA_AI3 /terminate get exec\n%a comment that ends in l\n"
      "0 0 0 1 K\n/fill\n";
  const ShapeRecord plain = Import(Ai(Square()));
  const ShapeRecord noisy = Import(Ai(noise + Square() + noise));
  EXPECT_EQ(EncodeShapeRecord(noisy), EncodeShapeRecord(plain));
}

TEST(IllustratorImport, ReadsWhatPstoeditsIllustratorDriverWrites) {
  const char* pstoedit = "/usr/bin/pstoedit";
  if (::access(pstoedit, X_OK) != 0) GTEST_SKIP() << "pstoedit is not installed";
  test::TempFolder folder;
  test::WriteFileBytes(folder / "heart.eps",
                       "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n"
                       "newpath 50 20 moveto 10 50 10 90 50 70 curveto 90 90 90 50 50 20 curveto "
                       "closepath 0 0 0 1 setcmykcolor fill\n"
                       "newpath 40 50 moveto 60 50 lineto 60 60 lineto 40 60 lineto closepath "
                       "0 0 0 0 setcmykcolor fill\nshowpage\n");
  const pid_t child =
      test::StartProcess({pstoedit, "-q", "-f", "ps2ai", (folder / "heart.eps").string(),
                          (folder / "heart.ai").string()},
                         {}, folder / "log", folder / "log");
  ASSERT_EQ(test::WaitForProcess(child), 0) << test::ReadFileBytes(folder / "log");

  Result<ShapeRecord> shape = ImportIllustratorFile(folder / "heart.ai");
  ASSERT_TRUE(shape) << shape.failure().message;
  EXPECT_EQ(shape->name, "heart");
  ASSERT_EQ(shape->pathCount, 2);
  EXPECT_EQ(shape->pathFill[0], 0);
  EXPECT_EQ(shape->pathFill[1], kWhitePathFill);
  EXPECT_EQ(shape->paths[0].pointCount, 1 + 2 * 21 + 1);  // m, two curves, the closing l
  float top = 1, bottom = 0;
  for (int i = 0; i < shape->paths[0].pointCount; ++i) {
    top = std::min(top, shape->paths[0].points[i].y);
    bottom = std::max(bottom, shape->paths[0].points[i].y);
  }
  EXPECT_EQ(top, 0);
  EXPECT_EQ(bottom, 1);
}

}  // namespace
}  // namespace nvx
