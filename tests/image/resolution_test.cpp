#include "image/resolution.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

const std::filesystem::path kImages = std::filesystem::path(NVX_TEST_DATA_DIR) / "images";

struct FileCase {
  const char* name;
  const char* file;
  int formatClass;
  float x;
  float y;
};

// Test names show the case, not its bytes.
using test::PrintTo;

class FileResolutionTest : public testing::TestWithParam<FileCase> {};

TEST_P(FileResolutionTest, ReadsTheDensityTheToolWrote) {
  const FileCase& c = GetParam();
  FileResolution read = ReadFileResolution(kImages / c.file);
  EXPECT_EQ(read.formatClass, c.formatClass);
  EXPECT_NEAR(read.dpi.x, c.x, 0.01);
  EXPECT_NEAR(read.dpi.y, c.y, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileResolutionTest,
    testing::Values(FileCase{"Png150", "png150.png", 1, 149.9870f, 149.9870f},
                    FileCase{"Png2835PerMetre", "png72.png", 1, 72.009f, 72.009f},
                    FileCase{"PngWithoutPhys", "nophys.png", 1, 300, 300},
                    FileCase{"JfifInch", "jfif200.jpg", 2, 200, 200},
                    FileCase{"JfifCentimetre118", "jfif_cm118.jpg", 2, 299.72f, 299.72f},
                    FileCase{"JfifUnitZero", "jfif_unit0.jpg", 2, 300, 300},
                    FileCase{"ExifAboveThousand", "exif1200.jpg", 2, 300, 300},
                    FileCase{"ExifBigEndian", "exif240_mm.jpg", 2, 240, 180},
                    FileCase{"ExifLittleEndian", "exif240_ii.jpg", 2, 240, 180},
                    FileCase{"GifAlways150", "plain.gif", 1, 150, 150},
                    FileCase{"Bmp96", "bmp96.bmp", 1, 95.986f, 95.986f},
                    FileCase{"Tiff", "tiff200x250.tif", 1, 200, 250},
                    FileCase{"TiffTwoPages", "twopage.tif", 1, 300, 300},
                    FileCase{"Psd", "psd150.psd", 1, 150, 150},
                    FileCase{"TruncatedTiff", "truncated.tif", 1, 300, 300},
                    FileCase{"Missing", "missing.png", 0, 300, 300}),
    [](const auto& info) { return info.param.name; });

TEST(ResolutionReaders, TheContentDecidesNotTheName) {
  test::TempFolder folder;
  auto path = folder / "photo.png";  // a JPEG, whatever its name says
  std::filesystem::copy_file(kImages / "jfif200.jpg", path);
  FileResolution read = ReadFileResolution(path);
  EXPECT_EQ(read.formatClass, 2);
  EXPECT_EQ(read.dpi.x, 200);
}

// Hex digits, blanks ignored, as bytes.
std::string Hex(std::string_view digits) {
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (digits[i] == ' ') continue;
    bytes.push_back(static_cast<char>(std::stoi(std::string(digits.substr(i++, 2)), nullptr, 16)));
  }
  return bytes;
}

const std::string kExif = Hex("ffd8ffe1 0060 45786966 0000");

// Densities outside 10 to 10,000 dpi are missing: that axis takes the format's fallback.
TEST(ResolutionReaders, DensityOutOfRangeTakesTheFallbackOnItsAxis) {
  const std::string bmpHead =
      "BM" + std::string(12, '\0') + Hex("28000000") + std::string(20, '\0');
  // Horizontal 2835 per metre, vertical 0.
  FileResolution read = ResolutionOf(ImageFormat::Bmp, bmpHead + Hex("130b0000 00000000"));
  EXPECT_NEAR(read.dpi.x, 72.009, 0.01);
  EXPECT_EQ(read.dpi.y, 150);
  // 1,000,000 per metre (25,400 dpi) horizontally, 9 dpi vertically in a PNG.
  read =
      ResolutionOf(ImageFormat::Png, Hex("89504e47 0d0a1a0a 00000009 70485973 000f4240 00000162"));
  EXPECT_EQ(read.dpi.x, 300);
  EXPECT_EQ(read.dpi.y, 300);
  // An OS/2 bitmap has no density fields; pixel bytes where they would be mean nothing.
  read = ResolutionOf(ImageFormat::Bmp, "BM" + std::string(12, '\0') + Hex("0c000000") +
                                            std::string(20, '\0') + Hex("130b0000 130b0000"));
  EXPECT_EQ(read.dpi.x, 150);
  EXPECT_EQ(read.dpi.y, 150);
}

// Bytes that stop short or point outside themselves: each reader falls back.
struct HostileCase {
  const char* name;
  void (*reader)(std::string_view, Resolution&);
  std::string bytes;
  float x;
  float y;
};

// Test names show the case, not its bytes.

class HostileBytesTest : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileBytesTest, FallsBackWithoutReadingOutside) {
  const HostileCase& c = GetParam();
  std::vector<char> bytes(c.bytes.begin(), c.bytes.end());  // exactly this size, on the heap
  Resolution dpi{-1, -1};
  c.reader(std::string_view(bytes.data(), bytes.size()), dpi);
  EXPECT_EQ(dpi.x, c.x);
  EXPECT_EQ(dpi.y, c.y);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, HostileBytesTest,
    testing::Values(
        HostileCase{"PngPhysAtEnd", PngResolution, Hex("89504e47 00000000 70485973"), 300, 300},
        HostileCase{"PngPhysWithoutVertical", PngResolution,
                    Hex("89504e47 00000000 70485973 00000b13 0000"), 300, 300},
        HostileCase{"PngTiny", PngResolution, "pH", 300, 300},
        HostileCase{"JfifCutBeforeDensity", JpegResolution,
                    Hex("ffd8ffe0 0010 4a464946 00 0101 01"), 300, 300},
        HostileCase{"JpegTiny", JpegResolution, Hex("ffd8"), 300, 300},
        HostileCase{"ExifCutAfterTag", JpegResolution,
                    kExif + Hex("4d4d 002a 00000008 0001 011a 0005 0000"), 300, 300},
        HostileCase{"ExifOffsetPastEnd", JpegResolution,
                    kExif + Hex("4d4d 002a 00000008 0002 011a 0005 00000001 fffffff0"
                                "011b 0005 00000001 00001000"),
                    300, 300},
        HostileCase{"ExifZeroDenominator", JpegResolution,
                    kExif + Hex("4949 2a00 08000000 0200 1a01 0500 01000000 26000000"
                                "1b01 0500 01000000 26000000 00000000 c8000000 00000000"),
                    300, 300},
        HostileCase{"ExifUnknownByteOrder", JpegResolution, kExif + "XX" + std::string(40, 1), 300,
                    300},
        HostileCase{"BmpShorterThanFields", BmpResolution, "BM" + std::string(40, 0x7f), 150, 150},
        HostileCase{"TiffDirectoryPastEnd", TiffResolution, Hex("4949 2a00 f0ffffff"), -1, -1},
        HostileCase{"TiffEntriesPastEnd", TiffResolution, Hex("4d4d 002a 00000008 ffff 011a"), -1,
                    -1},
        HostileCase{"TiffRationalPastEnd", TiffResolution,
                    Hex("4949 2a00 08000000 0100 1a01 0500 01000000 ffff0000 00000000"), 300, 300},
        HostileCase{"TiffZeroDenominator", TiffResolution,
                    Hex("4949 2a00 08000000 0100 1a01 0500 01000000 1a000000 00000000"
                        "c8000000 00000000"),
                    300, 300},
        HostileCase{"BigTiff", TiffResolution,
                    Hex("4949 2b00 0800 0000 1000000000000000 0200000000000000"
                        "1a01 0500 0100000000000000 9600000001000000"
                        "1b01 0500 0100000000000000 c800000001000000 0000000000000000"),
                    150, 200},
        HostileCase{"BigTiffCountPastEnd", TiffResolution,
                    Hex("4d4d 002b 0008 0000 0000000000000010 ffffffffffffffff 011a"), -1, -1},
        HostileCase{"PsdResourceAtEnd", PsdResolution,
                    Hex("38425053") + std::string(20, 0) + Hex("3842494d 03ed 0101010101"), 300,
                    300}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace nvx
