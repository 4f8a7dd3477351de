// TIFFs written by libtiff itself in every layout it offers for the same
// samples: tiles or strips, samples together or in planes, 8 or 16 bits, with
// or without alpha. However the file is laid out, it prints the same colours.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "load_fixture.h"
#include "support/named_case.h"

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
  std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
  bool big = false;  // BigTIFF
};
using test::PrintTo;

constexpr std::uint32_t kWidth = 40, kHeight = 24;  // tiles of 16 stand out right and below

int ColourSamples(const Layout& l) {
  switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
      return 1;
    case PHOTOMETRIC_SEPARATED:
      return 4;
    default:
      return 3;
  }
}

// Sample s of pixel (x, y) as a fraction of full scale: inks and colours vary
// across the picture; alpha runs through 0, a half and full, with colours
// within it when associated.
double Sample(const Layout& l, std::uint32_t x, std::uint32_t y, int s) {
  const double a = l.alpha ? ((x + y) % 3) * 0x7FFF / 65535.0 : 1.0;
  if (s == ColourSamples(l)) return a;
  const double value = static_cast<std::uint16_t>((x * 37 + y * 11 + s * 53) * 131) / 65535.0;
  return l.alpha == EXTRASAMPLE_ASSOCALPHA ? value * a : value;
}

// The bits that store `unit` (0 to 1) in the layout's sample format.
std::uint64_t Encode(const Layout& l, double unit) {
  if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
    if (l.bits == 16) return std::bit_cast<std::uint16_t>(static_cast<_Float16>(unit));
    if (l.bits == 32) return std::bit_cast<std::uint32_t>(static_cast<float>(unit));
    return std::bit_cast<std::uint64_t>(unit);
  }
  const int valueBits = l.sampleFormat == SAMPLEFORMAT_INT ? l.bits - 1 : l.bits;
  return static_cast<std::uint64_t>(std::llround(unit * (std::ldexp(1.0, valueBits) - 1)));
}

// Stores `code` as sample i of a row: whole bytes in this machine's order, or
// packed high bit first.
void Put(std::vector<std::uint8_t>& row, std::size_t i, int bits, std::uint64_t code) {
  if (bits % 8 == 0) {
    std::memcpy(&row[i * (bits / 8)], &code, bits / 8);
    return;
  }
  for (int b = 0; b < bits; ++b) {
    const std::size_t bit = i * bits + b;
    if ((code >> (bits - 1 - b)) & 1) row[bit / 8] |= static_cast<std::uint8_t>(0x80 >> bit % 8);
  }
}

using SampleCode = std::function<std::uint64_t(std::uint32_t x, std::uint32_t y, int s)>;

// Writes the layout with the samples `code` gives (by default Sample() encoded).
void WriteTiff(const std::filesystem::path& path, const Layout& l, SampleCode code = {}) {
  if (!code)
    code = [&](std::uint32_t x, std::uint32_t y, int s) { return Encode(l, Sample(l, x, y, s)); };
  std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), l.big ? "w8" : "w"),
                                                   TIFFClose);
  ASSERT_TRUE(tiff);
  const std::uint16_t samples = static_cast<std::uint16_t>(ColourSamples(l) + (l.alpha ? 1 : 0));
  TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, l.bits);
  TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff.get(), TIFFTAG_SAMPLEFORMAT, l.sampleFormat);
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
  const std::size_t rowBytes = (std::size_t{pieceWidth} * perPiece * l.bits + 7) / 8;
  for (int plane = 0; plane < (l.planes ? samples : 1); ++plane) {
    for (std::uint32_t y0 = 0; y0 < kHeight; y0 += pieceRows) {
      for (std::uint32_t x0 = 0; x0 < kWidth; x0 += pieceWidth) {
        std::vector<std::uint8_t> piece(rowBytes * pieceRows);
        for (std::uint32_t y = y0; y < y0 + pieceRows; ++y) {
          std::vector<std::uint8_t> row(rowBytes);
          for (std::uint32_t x = x0; x < x0 + pieceWidth; ++x) {
            for (int s = 0; s < perPiece; ++s) {
              Put(row, (x - x0) * perPiece + s, l.bits, code(x, y, plane + s));
            }
          }
          std::copy(row.begin(), row.end(), piece.begin() + (y - y0) * rowBytes);
        }
        const tmsize_t written =
            l.tiled ? TIFFWriteTile(tiff.get(), piece.data(), x0, y0, 0, plane)
                    : TIFFWriteEncodedStrip(
                          tiff.get(), TIFFComputeStrip(tiff.get(), y0, plane), piece.data(),
                          static_cast<tmsize_t>(rowBytes * std::min(pieceRows, kHeight - y0)));
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
  striped.tiled = striped.planes = striped.big = false;
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "striped.tif", striped));
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "other.tif", l));
  Result<LoadedImage> expected = Load(folder_ / "striped.tif", {.backgroundRemoval = true});
  Result<LoadedImage> result = Load(folder_ / "other.tif", {.backgroundRemoval = true});
  ASSERT_TRUE(expected.ok()) << expected.failure().message;
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result->image.buffer, expected->image.buffer);
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
        Layout{"RgbTilesPlanesAlpha", PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, 8, true, true},
        Layout{"BigTiffCmykTilesAlpha", PHOTOMETRIC_SEPARATED, EXTRASAMPLE_UNASSALPHA, 8, true,
               false, INKSET_CMYK, SAMPLEFORMAT_UINT, true}),
    [](const auto& info) { return std::string(info.param.name); });

using TiffInks = test::LoadTest;

// Four inks of the file's own (not C, M, Y, K) are refused in words rather
// than printed as if they were.
TEST_F(TiffInks, OfAnotherSetAreRefusedInWords) {
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "inks.tif", {"MultiInk", PHOTOMETRIC_SEPARATED, 0, 8,
                                                           false, false, INKSET_MULTIINK}));
  Result<LoadedImage> result = Load(folder_ / "inks.tif");
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.failure().message.find("inks other than cyan, magenta, yellow and black"),
            std::string::npos)
      << result.failure().message;
}

class TiffSamples : public test::LoadTest, public testing::WithParamInterface<Layout> {};

// Grey and RGB samples of any width and kind load as the fractions of full
// scale they store (integers from 0 to their largest value, floating-point
// numbers from 0 to 1), whatever the layout.
TEST_P(TiffSamples, LoadAsTheFractionsTheyStore) {
  const Layout& l = GetParam();
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "samples.tif", l));
  Result<LoadedImage> result = Load(folder_ / "samples.tif", {.backgroundRemoval = true});
  ASSERT_TRUE(result.ok()) << result.failure().message;
  const int colours = ColourSamples(l);
  auto expected = [&](std::uint32_t x, std::uint32_t y, int c) {
    return static_cast<int>(std::lround(255 * Sample(l, x, y, colours == 1 ? 0 : c)));
  };
  int largest = 0;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const std::uint8_t* pixel = &result->image.buffer[4 * (y * kWidth + x)];
      // Background removal takes the top-left colour away wherever it is.
      bool background = true;
      for (int c = 0; c < 3; ++c) background = background && expected(x, y, c) == expected(0, 0, c);
      if (background) continue;
      const int alpha =
          l.alpha ? static_cast<int>(std::lround(255 * Sample(l, x, y, colours))) : 255;
      largest = std::max(largest, std::abs(pixel[3] - alpha));
      if (alpha == 0) continue;
      for (int c = 0; c < 3; ++c)
        largest = std::max(largest, std::abs(pixel[c] - expected(x, y, c)));
    }
  }
  EXPECT_LE(largest, 1);
}

constexpr std::uint16_t kGrey = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB,
                        kUnassociated = EXTRASAMPLE_UNASSALPHA, kInk = INKSET_CMYK,
                        kUint = SAMPLEFORMAT_UINT, kInt = SAMPLEFORMAT_INT,
                        kFloat = SAMPLEFORMAT_IEEEFP;

INSTANTIATE_TEST_SUITE_P(
    Files, TiffSamples,
    testing::Values(
        Layout{"GreyStripsPlanesAlpha", kGrey, kUnassociated, 8, false, true},
        Layout{"Grey16BitTilesAlpha", kGrey, kUnassociated, 16, true, false},
        Layout{"Grey12Bit", kGrey, 0, 12},
        Layout{"Grey12BitTilesAlpha", kGrey, kUnassociated, 12, true, false},
        Layout{"Grey12BitPlanesAlpha", kGrey, kUnassociated, 12, false, true},
        Layout{"Grey32Bit", kGrey, 0, 32},
        Layout{"Grey32BitSigned", kGrey, 0, 32, false, false, kInk, kInt},
        Layout{"Rgb32BitAlpha", kRgb, kUnassociated, 32},
        Layout{"Rgb10BitTilesPlanes", kRgb, 0, 10, true, true},
        Layout{"GreyFloat64", kGrey, 0, 64, false, false, kInk, kFloat},
        Layout{"RgbFloat32TilesPlanesAlpha", kRgb, kUnassociated, 32, true, true, kInk, kFloat},
        Layout{"RgbHalfFloatAlpha", kRgb, kUnassociated, 16, false, false, kInk, kFloat},
        Layout{"GreyBigTiff", kGrey, 0, 8, false, false, kInk, kUint, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Samples of a kind no reader takes are refused naming it, not as a library error.
TEST_F(TiffInks, SamplesOfAnUnreadableKindAreRefusedInWords) {
  ASSERT_NO_FATAL_FAILURE(
      WriteTiff(folder_ / "fp24.tif", {"Float24", kRgb, 0, 24, false, false, kInk, kFloat}));
  Result<LoadedImage> result = Load(folder_ / "fp24.tif");
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.failure().message.find("24-bit floating-point numbers"), std::string::npos)
      << result.failure().message;
}

struct LabCase {
  const char* name;
  std::uint16_t photometric;
  std::uint16_t bits;
};

class TiffLab : public test::LoadTest, public testing::WithParamInterface<LabCase> {};

// L*a*b* pictures print the colours Little CMS gives for their values (Lab
// profile to sRGB), each encoding read as the TIFF specification defines it:
// CIELab with signed a* and b*, ICCLab with them offset by half the range and,
// at 16 bits, L* up to 0xFF00.
TEST_P(TiffLab, PrintTheColoursLittleCmsGivesForTheirValues) {
  const LabCase& c = GetParam();
  const bool icc = c.photometric == PHOTOMETRIC_ICCLAB;
  auto lab = [](std::uint32_t x, std::uint32_t y) {
    return std::array<int, 3>{static_cast<int>(5 + x * 61 % 91),
                              static_cast<int>((x * 13 + y * 7) % 161) - 80,
                              static_cast<int>((x * 5 + y * 17) % 161) - 80};
  };
  const double lFull = c.bits == 8 ? 255 : (icc ? 0xFF00 : 0xFFFF);
  const int abStep = c.bits == 8 ? 1 : 256;
  auto code = [&](std::uint32_t x, std::uint32_t y, int s) -> std::uint64_t {
    const int value = lab(x, y)[s];
    if (s == 0) return static_cast<std::uint64_t>(std::lround(value * lFull / 100));
    const int stored = (icc ? value + 128 : value) * abStep;
    return static_cast<std::uint64_t>(stored) & ((1u << c.bits) - 1);
  };
  const Layout l{"lab", c.photometric, 0, c.bits};
  ASSERT_NO_FATAL_FAILURE(WriteTiff(folder_ / "lab.tif", l, code));
  Result<LoadedImage> result = Load(folder_ / "lab.tif");
  ASSERT_TRUE(result.ok()) << result.failure().message;

  std::vector<double> values;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      values.push_back(static_cast<double>(code(x, y, 0)) * 100 / lFull);
      values.push_back(lab(x, y)[1]);
      values.push_back(lab(x, y)[2]);
    }
  }
  std::vector<std::uint8_t> expected(values.size());
  cmsHPROFILE labProfile = cmsCreateLab4Profile(nullptr);
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM toRgb = cmsCreateTransform(labProfile, TYPE_Lab_DBL, srgb, TYPE_RGB_8,
                                           INTENT_RELATIVE_COLORIMETRIC, 0);
  ASSERT_TRUE(toRgb);
  cmsDoTransform(toRgb, values.data(), expected.data(), kWidth * kHeight);
  cmsDeleteTransform(toRgb);
  cmsCloseProfile(labProfile);
  cmsCloseProfile(srgb);
  int largest = 0;
  for (std::size_t i = 0; i < std::size_t{kWidth} * kHeight; ++i) {
    for (int k = 0; k < 3; ++k) {
      largest = std::max(largest, std::abs(result->image.buffer[4 * i + k] - expected[3 * i + k]));
    }
  }
  EXPECT_LE(largest, 1);
}

INSTANTIATE_TEST_SUITE_P(Files, TiffLab,
                         testing::Values(LabCase{"CieLab8", PHOTOMETRIC_CIELAB, 8},
                                         LabCase{"CieLab16", PHOTOMETRIC_CIELAB, 16},
                                         LabCase{"IccLab8", PHOTOMETRIC_ICCLAB, 8},
                                         LabCase{"IccLab16", PHOTOMETRIC_ICCLAB, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nvx
