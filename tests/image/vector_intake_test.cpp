#include <gtest/gtest.h>

#include <cmath>

#include "image/colour.h"
#include "image/decode_child.h"
#include "image/image_format.h"
#include "image/intake.h"
#include "load_fixture.h"
#include "support/named_case.h"
#include "support/vector_artwork.h"

namespace nvx {
namespace {

using test::LoadTest;

enum class Writer { Pdf, Svg, Eps };

struct ArtworkCase {
  const char* name;
  Writer writer;
  double widthPt;  // the page box
  double heightPt;
};
void PrintTo(const ArtworkCase& c, std::ostream* os) { *os << c.name; }

// RGBA of the pixel at a fraction of the loaded image's width and height.
const std::uint8_t* PixelAt(const WorkingImage& image, double x, double y) {
  const int column = std::min(image.widthPx - 1, static_cast<int>(x * image.widthPx));
  const int row = std::min(image.heightPx - 1, static_cast<int>(y * image.heightPx));
  return &image.buffer[4 * (static_cast<std::size_t>(row) * image.widthPx + column)];
}

// A one-page PDF written by hand, with the given MediaBox.
std::string HugeBoxPdf(const std::string& box) {
  return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
         "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
         "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [" +
         box + "] >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
}

class VectorArtwork : public LoadTest, public testing::WithParamInterface<ArtworkCase> {
 protected:
  std::filesystem::path Write(Writer writer) {
    const std::filesystem::path file = folder_ / "artwork";
    if (writer == Writer::Pdf) {
      EXPECT_TRUE(test::WritePdf(file, test::CirclePages({"1 0 0"})));
    }
    if (writer == Writer::Svg) test::WriteFileBytes(file, test::CircleSvg());
    if (writer == Writer::Eps) test::WriteFileBytes(file, test::CircleEps());
    return file;
  }
};

// The page box gives the printed size; where nothing is painted the paper is
// transparent, whatever Background Removal says; the circle is red.
TEST_P(VectorArtwork, PrintsAtThePageBoxOnTransparentPaper) {
  const std::filesystem::path file = Write(GetParam().writer);
  for (bool removal : {false, true}) {
    Result<LoadedImage> result = Load(file, {.backgroundRemoval = removal});
    ASSERT_TRUE(result.ok()) << result.failure().message;
    const WorkingImage& image = result->image;
    EXPECT_NEAR(image.imageWidthPt, GetParam().widthPt, 0.1);
    EXPECT_NEAR(image.imageHeightPt, GetParam().heightPt, 0.1);
    EXPECT_NEAR(image.widthPx, GetParam().widthPt * 300 / 72, 1.0);
    EXPECT_TRUE(image.transparencyAlwaysCounts);
    EXPECT_EQ(PixelAt(image, 0, 0)[3], 0);
    EXPECT_EQ(PixelAt(image, 0.9, 0.5)[3], 0);
    const std::uint8_t* centre = PixelAt(image, 0.5, 0.5);
    EXPECT_EQ(std::vector<int>(centre, centre + 4), (std::vector<int>{255, 0, 0, 255}));
    // The anti-aliased rim keeps partial alpha.
    bool partial = false;
    for (int i = 0; i < image.widthPx * image.heightPx && !partial; ++i)
      partial = image.buffer[4 * i + 3] > 0 && image.buffer[4 * i + 3] < 255;
    EXPECT_TRUE(partial);
  }
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_P(VectorArtwork, RenderResolutionChangesThePixelsNotTheSize) {
  Result<LoadedImage> result = Load(Write(GetParam().writer), {.render = {150, 1}});
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_NEAR(result->image.widthPx, GetParam().widthPt * 150 / 72, 1.0);
  EXPECT_NEAR(result->image.imageWidthPt, GetParam().widthPt, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Writers, VectorArtwork,
                         testing::Values(ArtworkCase{"PdfByGhostscript", Writer::Pdf, 283.465,
                                                     226.772},
                                         ArtworkCase{"SvgByHand", Writer::Svg, 283.465, 226.772},
                                         ArtworkCase{"EpsByHand", Writer::Eps, 283, 227}),
                         test::CaseName());

TEST(SniffFormat, VectorArtworkIsToldByItsContent) {
  using namespace std::string_view_literals;
  EXPECT_EQ(SniffFormat("%PDF-1.7\n").format, ImageFormat::Pdf);
  EXPECT_EQ(SniffFormat("%!PS-Adobe-3.0 EPSF-3.0\n").format, ImageFormat::Eps);
  EXPECT_EQ(SniffFormat("%!PS\n").format, ImageFormat::Eps);
  EXPECT_EQ(SniffFormat("\xc5\xd0\xd3\xc6\x1e\0\0\0"sv).format, ImageFormat::Eps);
  EXPECT_EQ(SniffFormat("\xef\xbb\xbf<?xml version=\"1.0\"?>\n<!-- made by hand -->\n"
                        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"x.dtd\">\n<svg>")
                .format,
            ImageFormat::Svg);
  EXPECT_EQ(SniffFormat("<?xml version=\"1.0\"?><html><svg/></html>").format, ImageFormat::Unknown);
}

TEST_F(LoadTest, SecondPageOfAPdfHasItsOwnSizeAndColour) {
  const std::filesystem::path file = folder_ / "two.pdf";
  ASSERT_TRUE(test::WritePdf(file, test::CirclePages({"1 0 0", "0 0 1"})));
  Result<LoadedImage> second = Load(file, {.render = {300, 2}});
  ASSERT_TRUE(second.ok()) << second.failure().message;
  EXPECT_EQ(second->image.pageCount, 2);
  const std::uint8_t* centre = PixelAt(second->image, 0.5, 0.5);
  EXPECT_EQ(std::vector<int>(centre, centre + 4), (std::vector<int>{0, 0, 255, 255}));
  Result<LoadedImage> third = Load(file, {.render = {300, 3}});
  EXPECT_FALSE(third.ok());
  EXPECT_NE(third.failure().message.find("no page 3"), std::string::npos)
      << third.failure().message;
}

// Refused from the box, before a pixel is rendered, with the memory message.
TEST_F(LoadTest, PageBoxBeyondThePixelLimitIsRefusedBeforeRendering) {
  for (const char* box : {"0 0 14400 14400", "0 0 99999999999 99999999999"}) {
    const std::filesystem::path file = folder_ / "huge.pdf";
    test::WriteFileBytes(file, HugeBoxPdf(box));
    Result<LoadedImage> result = Load(file);
    EXPECT_EQ(result.failure().kind, Failure::Kind::OutOfMemory)
        << box << ": " << result.failure().message;
    EXPECT_EQ(result.failure().message, OutOfMemoryMessage(1).text);
  }
  const std::filesystem::path svg = folder_ / "huge.svg";
  test::WriteFileBytes(svg,
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2000in\" "
                       "height=\"2000in\"/>");
  EXPECT_EQ(Load(svg).failure().kind, Failure::Kind::OutOfMemory);
}

TEST_F(LoadTest, ProtectedPdfIsRefusedInWords) {
  const std::filesystem::path file = folder_ / "locked.pdf";
  ASSERT_TRUE(test::WritePdf(file, test::CirclePages({"1 0 0"}),
                             {"-sOwnerPassword=owner", "-sUserPassword=secret"}));
  Result<LoadedImage> result = Load(file);
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.failure().message.find("protected"), std::string::npos)
      << result.failure().message;
}

// An SVG that points at a picture elsewhere on the disk, at a system file and
// at the network renders its own circle and nothing of them.
TEST_F(LoadTest, SvgReadsNoOtherFileAndNoNetwork) {
  const std::filesystem::path picture = folder_ / "elsewhere" / "blue.svg";
  std::filesystem::create_directories(picture.parent_path());
  test::WriteFileBytes(picture,
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" "
                       "height=\"10\"><rect width=\"10\" height=\"10\" fill=\"blue\"/></svg>");
  const std::string references =
      "<image x=\"0\" y=\"0\" width=\"100\" height=\"80\" xlink:href=\"file://" + picture.string() +
      "\"/>\n<image x=\"0\" y=\"0\" width=\"100\" height=\"80\" href=\"" + picture.string() +
      "\"/>\n<image x=\"0\" y=\"0\" width=\"100\" height=\"80\" "
      "href=\"http://127.0.0.1:9/a.png\"/>\n"
      "<use href=\"file:///etc/passwd#root\"/>\n"
      "<image x=\"0\" y=\"0\" width=\"100\" height=\"80\" href=\"elsewhere/blue.svg\"/>\n";
  const std::filesystem::path file = folder_ / "refs.svg";
  test::WriteFileBytes(file, test::CircleSvg(references));
  Result<LoadedImage> result = Load(file);
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(PixelAt(result->image, 0.05, 0.05)[3], 0);
  const std::uint8_t* centre = PixelAt(result->image, 0.5, 0.5);
  EXPECT_EQ(std::vector<int>(centre, centre + 4), (std::vector<int>{255, 0, 0, 255}));
}

// Ghostscript runs under the renderer's limits and dies with it.
TEST_F(LoadTest, EndlessPostScriptEndsOnlyItsRenderer) {
  SetDecodeTestHook({DecodeFault::None, std::chrono::seconds(2)});
  const std::filesystem::path file = folder_ / "endless.eps";
  test::WriteFileBytes(file, "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ } loop\n");
  Result<LoadedImage> result = Load(file);
  SetDecodeTestHook({});
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.failure().message.find("longer than"), std::string::npos)
      << result.failure().message;
}

}  // namespace
}  // namespace nvx
