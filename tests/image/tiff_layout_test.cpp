// TIFFs written by libtiff itself in every layout it offers for the same
// samples: tiles or strips, samples together or in planes, 8 or 16 bits, with
// or without alpha. However the file is laid out, it prints the same colours.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "load_fixture.h"

namespace nvx {
namespace {

struct Layout {
  const char* name;
  std::uint16_t photometric = PHOTOMETRIC_SEPARATED;
  std::uint16_t alpha = 0;  // EXTRASAMPLE_ASSOCALPHA, EXTRASAMPLE_UNASSALPHA, or 0 for none
  std::uint16_t bits = 8;
  bool tiled = false;
  bool planes = false;
  std::uint16_t inkset = INKSET_CMYK;
};
void PrintTo(const Layout& l, std::ostream* os) { *os << l.name; }

constexpr std::uint32_t kWidth = 40, kHeight = 24;  // tiles of 16 stand out right and below

// Sample s of pixel (x, y): inks and colours vary across the picture; alpha
// runs through 0, a half and full, with colours within it when associated.
std::uint16_t Sample(const Layout& l, std::uint32_t x, std::uint32_t y, int s, int colours) {
  const std::uint16_t a = l.alpha ? static_cast<std::uint16_t>(((x + y) % 3) * 0x7FFF) : 0xFFFF;
  if (s == colours) return a;
  const std::uint16_t value = static_cast<std::uint16_t>((x * 37 + y * 11 + s * 53) * 131);
  return l.alpha == EXTRASAMPLE_ASSOCALPHA ? static_cast<std::uint16_t>(value * (a / 65535.0))
                                           : value;
}

void WriteTiff(const std::filesystem::path& path, const Layout& l) {
  std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), "w"), TIFFClose);
  ASSERT_TRUE(tiff);
  const int colours = l.photometric == PHOTOMETRIC_RGB ? 3 : 4;
  const std::uint16_t samples = static_cast<std::uint16_t>(colours + (l.alpha ? 1 : 0));
  TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, l.bits);
  TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, l.photometric);
  TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG,
               l.planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  if (l.photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tiff.get(), TIFFTAG_INKSET, l.inkset);
  if (l.alpha) TIFFSetField(tiff.get(), TIFFTAG_EXTRASAMPLES, 1, &l.alpha);
  const std::uint32_t pieceWidth = l.tiled ? 16 : kWidth;
  const std::uint32_t pieceRows = l.tiled ? 16 : 5;
  if (l.tiled) {
    TIFFSetField(tiff.get(), TIFFTAG_TILEWIDTH, pieceWidth);
    TIFFSetField(tiff.get(), TIFFTAG_TILELENGTH, pieceRows);
  } else {
    TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, pieceRows);
  }
  const int perPiece = l.planes ? 1 : samples;
  std::vector<std::uint8_t> piece(std::size_t{pieceWidth} * pieceRows * perPiece * l.bits / 8);
  for (int plane = 0; plane < (l.planes ? samples : 1); ++plane) {
    for (std::uint32_t y0 = 0; y0 < kHeight; y0 += pieceRows) {
      for (std::uint32_t x0 = 0; x0 < kWidth; x0 += pieceWidth) {
        std::size_t i = 0;
        for (std::uint32_t y = y0; y < y0 + pieceRows; ++y) {
          for (std::uint32_t x = x0; x < x0 + pieceWidth; ++x) {
            for (int s = 0; s < perPiece; ++s) {
              const std::uint16_t v = Sample(l, x, y, plane + s, colours);
              if (l.bits == 8) piece[i++] = static_cast<std::uint8_t>(v >> 8);
              if (l.bits == 16) std::memcpy(&piece[(i++) * 2], &v, 2);
            }
          }
        }
        const tmsize_t written =
            l.tiled ? TIFFWriteTile(tiff.get(), piece.data(), x0, y0, 0, plane)
                    : TIFFWriteEncodedStrip(
                          tiff.get(), TIFFComputeStrip(tiff.get(), y0, plane), piece.data(),
                          static_cast<tmsize_t>(piece.size() / pieceRows *
                                                std::min(pieceRows, kHeight - y0)));
        ASSERT_GT(written, 0);
      }
    }
  }
}

class TiffLayouts : public test::LoadTest, public testing::WithParamInterface<Layout> {};

// Compared with the same samples in strips, together: the layout read row by
// row since the first TIFF reader, its colours checked against ImageMagick's.
TEST_P(TiffLayouts, PrintLikeTheSameSamplesInStrips) {
  const Layout& l = GetParam();
  Layout striped = l;
  striped.tiled = striped.planes = false;
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "striped.tif", striped));
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "other.tif", l));
  LoadResult expected = Load(folder_ / "striped.tif", {.backgroundRemoval = true});
  LoadResult result = Load(folder_ / "other.tif", {.backgroundRemoval = true});
  ASSERT_TRUE(expected.Loaded()) << expected.message;
  ASSERT_TRUE(result.Loaded()) << result.message;
  EXPECT_EQ(result.image.buffer, expected.image.buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TiffLayouts,
    testing::Values(
        Layout{"CmykTiles", PHOTOMETRIC_SEPARATED, 0, 8, true, false},
        Layout{"CmykTilesAlpha", PHOTOMETRIC_SEPARATED, EXTRASAMPLE_UNASSALPHA, 8, true, false},
        Layout{"CmykTilesPlanes", PHOTOMETRIC_SEPARATED, 0, 8, true, true},
        Layout{"CmykTilesPlanesAssociatedAlpha", PHOTOMETRIC_SEPARATED, EXTRASAMPLE_ASSOCALPHA, 8,
               true, true},
        Layout{"CmykStripsPlanesAlpha", PHOTOMETRIC_SEPARATED, EXTRASAMPLE_UNASSALPHA, 8, false,
               true},
        Layout{"Cmyk16BitTiles", PHOTOMETRIC_SEPARATED, EXTRASAMPLE_UNASSALPHA, 16, true, false},
        Layout{"RgbTilesPlanesAlpha", PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, 8, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

using TiffInks = test::LoadTest;

// Four inks of the file's own (not C, M, Y, K) are refused in words rather
// than printed as if they were.
TEST_F(TiffInks, OfAnotherSetAreRefusedInWords) {
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "inks.tif", {"MultiInk", PHOTOMETRIC_SEPARATED, 0, 8,
                                                           false, false, INKSET_MULTIINK}));
  LoadResult result = Load(folder_ / "inks.tif");
  EXPECT_EQ(result.status, LoadStatus::Failed);
  EXPECT_NE(result.message.find("inks other than cyan, magenta, yellow and black"),
            std::string::npos)
      << result.message;
}

}  // namespace
}  // namespace nvx
