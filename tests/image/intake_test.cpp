#include "image/intake.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <vector>

#include "image/devil_errors.h"
#include "image/image_format.h"
#include "load_fixture.h"
#include "settings/settings_keys.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::kImages;
using test::LoadTest;

TEST_F(LoadTest, LoadsRgbaTopRowFirstWithSpareBytesAndLeavesCropMode) {
  WriteSetting(settings_, keys::kActive, kCropKey, "1");
  Result<LoadedImage> result = Load("\"" + (kImages / "corner.png").string() + "\"");
  ASSERT_TRUE(result.ok()) << result.failure().message;
  const WorkingImage& image = result->image;
  EXPECT_EQ(image.widthPx, 4);
  EXPECT_EQ(image.heightPx, 3);
  ASSERT_EQ(image.buffer.size(), 4u * 3 * 5);
  EXPECT_EQ(std::vector<int>(image.buffer.begin(), image.buffer.begin() + 4),
            (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(image.buffer[4 * 11 + 2], 255);  // blue at the bottom right
  EXPECT_TRUE(std::all_of(image.buffer.begin() + 48, image.buffer.end(),
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_NEAR(image.dpiX, 149.987, 0.01);
  EXPECT_EQ(ReadSetting(settings_, keys::kActive, kCropKey), "0");
  EXPECT_EQ(result->zoomText, "100.0%");
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(LoadTest, FlipLoadsTheBottomRowFirst) {
  Result<LoadedImage> result = Load(kImages / "corner.png", {.flip = true});
  ASSERT_TRUE(result.ok());
  // The bottom row comes first; its right-most pixel is blue.
  EXPECT_EQ(result->image.buffer[4 * 3 + 0], 0);
  EXPECT_EQ(result->image.buffer[4 * 3 + 2], 255);
  EXPECT_EQ(result->image.buffer[4 * 8 + 0], 255);  // red top left, now in the last row
}

TEST_F(LoadTest, TransparencyIsFoundAndPrintsWhenRemovalIsOff) {
  Result<LoadedImage> result = Load(kImages / "transparent.png");
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(result->image.hasTransparency);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(result->image.buffer[4 * i + 3], 255) << i;
}

TEST_F(LoadTest, JpegOfAnyNameIsAJpegWithItsResolutionAndTolerance) {
  WriteSetting(settings_, keys::kActive, keys::kJpegArtifact, "5");
  auto path = folder_ / "photo.png";
  std::filesystem::copy_file(kImages / "jfif200.jpg", path);
  Result<LoadedImage> result = Load(path, {.backgroundRemoval = true});
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result->image.formatClass, 2);
  EXPECT_EQ(result->image.dpiX, 200);
  // A flat red JPEG is all background within the tolerance.
  EXPECT_EQ(result->image.buffer[4 * 47 + 3], 0);
}

TEST_F(LoadTest, OnePixelLoadsLikeAnyOther) {
  Result<LoadedImage> result = Load(kImages / "onepixel.png");
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result->image.widthPx, 1);
  EXPECT_EQ(result->image.heightPx, 1);
  EXPECT_EQ(std::vector<int>(result->image.buffer.begin(), result->image.buffer.end()),
            (std::vector<int>{255, 0, 0, 255, 0}));
}

// The first pixel's palette index is the transparent one, white in the palette.
TEST_F(LoadTest, TransparentGifPixelsPrintTheirPaletteColourUnlessRemoved) {
  Result<LoadedImage> kept = Load(kImages / "transparent_white.gif");
  ASSERT_TRUE(kept.ok()) << kept.failure().message;
  EXPECT_TRUE(kept->image.hasTransparency);
  const auto pixel = [](const Result<LoadedImage>& r, int i) {
    return std::vector<int>(r->image.buffer.begin() + 4 * i, r->image.buffer.begin() + 4 * i + 4);
  };
  EXPECT_EQ(pixel(kept, 0), (std::vector<int>{255, 255, 255, 255}));
  EXPECT_EQ(pixel(kept, 1), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(pixel(kept, 4), (std::vector<int>{255, 255, 255, 255}));
  Result<LoadedImage> removed =
      Load(kImages / "transparent_white.gif", {.backgroundRemoval = true});
  ASSERT_TRUE(removed.ok());
  EXPECT_EQ(removed->image.buffer[3], 0);
  EXPECT_EQ(removed->image.buffer[4 * 4 + 3], 0);
  EXPECT_EQ(pixel(removed, 2), (std::vector<int>{0, 0, 255, 255}));
}

// The data's end block and the trailer are missing after all of the pixels.
TEST_F(LoadTest, GifWithoutItsClosingBytesLoadsWhole) {
  Result<LoadedImage> result = Load(kImages / "unterminated.gif");
  ASSERT_TRUE(result.ok()) << result.failure().message;
  ASSERT_EQ(result->image.widthPx, 100);
  // Squares of 10 pixels, white and blue, white at the top left.
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      const bool blue = (x / 10 + y / 10) % 2 == 1;
      const std::uint8_t* p = &result->image.buffer[4 * (y * 100 + x)];
      ASSERT_EQ(p[0], blue ? 0 : 255) << x << "," << y;
      ASSERT_EQ(p[2], 255) << x << "," << y;
    }
  }
}

// Run-length bitmaps with a V4 header: runs, runs of indices as they are,
// ends of rows and jumps; pixels jumped over take the first palette colour.
TEST_F(LoadTest, RunLengthBitmapsWithLongHeadersDecode) {
  const std::vector<int> c0{10, 20, 30, 255}, red{255, 0, 0, 255}, green{0, 255, 0, 255},
      blue{0, 0, 255, 255};
  auto pixels = [](const Result<LoadedImage>& r) {
    std::vector<std::vector<int>> all;
    for (std::size_t i = 0; i + 4 <= r->image.buffer.size() * 4 / 5; i += 4) {
      all.emplace_back(r->image.buffer.begin() + i, r->image.buffer.begin() + i + 4);
    }
    return all;
  };
  Result<LoadedImage> rle8 = Load(kImages / "rle8_v4.bmp");
  ASSERT_TRUE(rle8.ok()) << rle8.failure().message;
  EXPECT_EQ(pixels(rle8), (std::vector<std::vector<int>>{c0, c0, c0, c0, red, red,    //
                                                         blue, blue, c0, c0, c0, c0,  //
                                                         red, red, red, green, blue, green}));
  Result<LoadedImage> rle4 = Load(kImages / "rle4_v4.bmp");
  ASSERT_TRUE(rle4.ok()) << rle4.failure().message;
  EXPECT_EQ(pixels(rle4), (std::vector<std::vector<int>>{red, red, red, red, green, blue, green}));
}

constexpr const char* kNotAnImage =
    "The image file could not be read. This file is not an image nvxprint knows; nvxprint reads "
    "PNG, JPEG, GIF, TIFF, BMP, PSD, WebP and HEIC images, and PDF, SVG, EPS and PostScript "
    "artwork.";

struct BadFile {
  const char* name;
  const char* file;
  const char* text;
};

// Test names show the case, not its bytes.
using test::PrintTo;

class BadFileTest : public LoadTest, public testing::WithParamInterface<BadFile> {};

// The reason comes back for the caller to show.
TEST_P(BadFileTest, ReturnsTheReasonAndLoadsNothing) {
  Result<LoadedImage> result = Load(kImages / GetParam().file);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure().message, GetParam().text);
  EXPECT_TRUE(TempFolderIsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    testing::Values(BadFile{"TruncatedPng", "truncated.png", "LIB PNG ERROR"},
                    BadFile{"TruncatedJpeg", "truncated.jpg", "LIB JPEG ERROR"},
                    BadFile{"TruncatedGif", "truncated.gif", "LIB GIF ERROR"},
                    BadFile{"GifCutInItsData", "cut_in_data.gif", "LIB GIF ERROR"},
                    BadFile{"TruncatedBmp", "truncated.bmp", "FILE READ ERROR "},
                    BadFile{"TruncatedTiff", "truncated.tif", "UNABLE TO OPEN FILE"},
                    BadFile{"TruncatedPsd", "truncated.psd", "FILE READ ERROR "},
                    BadFile{"TextNamedPng", "corrupt.png", kNotAnImage},
                    BadFile{"UnknownFormat", "unknown.xyz", kNotAnImage},
                    BadFile{"Missing", "missing.png", "UNABLE TO OPEN FILE: no such file"},
                    BadFile{"HuffmanBmp", "huffman_os2.bmp",
                            "This bitmap is compressed with the OS/2 1-D Huffman coding, which "
                            "nvxprint does not read; save it uncompressed or as PNG."}),
    [](const auto& info) { return info.param.name; });

// What stands in place of a file is named, and nothing waits for a writer or
// reads a device without end.
TEST_F(LoadTest, WhatIsNotAFileIsNamed) {
  ::mkfifo((folder_ / "pipe.png").c_str(), 0600);
  std::filesystem::create_symlink(folder_ / "loop.png", folder_ / "loop.png");
  const std::pair<std::filesystem::path, std::string> cases[] = {
      {folder_.path(), "a folder, not a file"},
      {folder_ / "pipe.png", "a named pipe (FIFO), not a file"},
      {folder_ / "loop.png", "a loop of symbolic links, not a file"},
      {"/dev/zero", "a device, not a file"},
  };
  for (const auto& [path, words] : cases) {
    const Result<LoadedImage> result = Load(path);
    EXPECT_EQ(result.failure().kind, Failure::Kind::Failed);
    EXPECT_EQ(result.failure().message, std::string(kUnableToOpenText) + ": " + words);
  }
}

// Limits this process's address space to what it has mapped and `extra` more
// while it lives, as a memory-capped session would run.
class AddressSpaceCap {
 public:
  explicit AddressSpaceCap(std::uint64_t extra) {
    ::getrlimit(RLIMIT_AS, &saved_);
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    rlimit cap = saved_;
    cap.rlim_cur = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) + extra;
    ::setrlimit(RLIMIT_AS, &cap);
  }
  ~AddressSpaceCap() { ::setrlimit(RLIMIT_AS, &saved_); }

 private:
  rlimit saved_{};
};

// A PNG header declaring width x height pixels, followed by zeros.
std::string PngHeader(std::uint32_t width, std::uint32_t height) {
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
  for (std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((v >> shift) & 0xFF);
  }
  return png + std::string("\x08\x06\0\0\0", 5) + std::string(300'000, '\0');
}

// The first bytes decide: a small PNG that declares more pixels than a print
// can take, or than the memory can hold, is refused from its header, and a
// 3 GB file of no image kind as such, without reading or decoding the rest.
TEST_F(LoadTest, HeaderDecidesBeforeTheRestIsRead) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs an address space without a limit";
#endif
  test::WriteFileBytes(folder_ / "large.png", PngHeader(17000, 17000));
  const Result<LoadedImage> large = Load(folder_ / "large.png");
  EXPECT_EQ(large.failure().kind, Failure::Kind::Failed);
  EXPECT_EQ(large.failure().message.rfind("The image is too large: 17000 x 17000 pixels", 0), 0u)
      << large.failure().message;

  test::WriteFileBytes(folder_ / "capped.png", PngHeader(10000, 10000));
  const auto sparse = folder_ / "huge.png";
  std::ofstream(sparse).close();
  std::filesystem::resize_file(sparse, std::uint64_t{3} << 30);
  AddressSpaceCap cap(std::uint64_t{512} << 20);
  const Result<LoadedImage> capped = Load(folder_ / "capped.png");
  EXPECT_EQ(capped.failure().kind, Failure::Kind::Failed);
  EXPECT_EQ(capped.failure().message.rfind("The image is too large: 10000 x 10000 pixels", 0), 0u)
      << capped.failure().message;
  const Result<LoadedImage> huge = Load(sparse);
  EXPECT_EQ(huge.failure().kind, Failure::Kind::Failed);
  EXPECT_NE(huge.failure().message.find("not an image nvxprint knows"), std::string::npos)
      << huge.failure().message;
}

// A PNG's chunk: length, type and data (its checksum is not read here).
std::string PngChunk(std::string_view type, std::string_view data) {
  const auto n = static_cast<std::uint32_t>(data.size());
  const char length[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                          static_cast<char>(n >> 8), static_cast<char>(n)};
  return std::string(length, 4) + std::string(type) + std::string(data) + "CRC!";
}

std::string PngHead(char colourType) {
  std::string header("\0\0\0\x10\0\0\0\x10\x08", 9);  // 16 x 16, 8 bits
  header += colourType;
  header.append("\0\0\0", 3);
  return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header);
}

// Only a file that says so is taken to have no transparency: the print does
// not scan it for transparent pixels.
TEST(DeclaredOpacity, ComesFromThePngsColourTypeAndChunksOrFromJpeg) {
  const std::string idat = PngChunk("IDAT", "zlib");
  EXPECT_TRUE(DeclaresOpaque(ImageFormat::Png, PngHead(2) + PngChunk("gAMA", "1234") + idat));
  EXPECT_TRUE(DeclaresOpaque(ImageFormat::Png, PngHead(0) + idat));
  EXPECT_FALSE(DeclaresOpaque(ImageFormat::Png, PngHead(6) + idat));
  EXPECT_FALSE(DeclaresOpaque(ImageFormat::Png, PngHead(4) + idat));
  EXPECT_FALSE(DeclaresOpaque(ImageFormat::Png, PngHead(3) + PngChunk("tRNS", "01") + idat));
  EXPECT_FALSE(DeclaresOpaque(ImageFormat::Png, PngHead(2)));  // ends before its data
  // A chunk whose length reaches past the file ends the walk.
  EXPECT_FALSE(DeclaresOpaque(ImageFormat::Png, PngHead(2) + "\xff\xff\xff\xffgAMA" + idat));
  EXPECT_TRUE(DeclaresOpaque(ImageFormat::Jpeg, "\xff\xd8\xff"));
  EXPECT_FALSE(DeclaresOpaque(ImageFormat::Gif, "GIF89a"));
}

TEST(ImageBuffer, SizesBeyondMemoryGiveNothingInsteadOfWrapping) {
  constexpr long long kMaxInt = std::numeric_limits<int>::max();
  EXPECT_FALSE(AllocateImageBuffer(kMaxInt, kMaxInt));
  EXPECT_FALSE(AllocateImageBuffer(kMaxInt, 1ll << 30));
  EXPECT_FALSE(AllocateImageBuffer(0, 10));
  auto small = AllocateImageBuffer(3, 2);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->size(), 30u);
}

TEST(DevilErrors, TextsOfTheTableAndHexForOthers) {
  EXPECT_EQ(DevilErrorTextOf(0), "");
  EXPECT_EQ(DevilErrorTextOf(0x0509), "INVALID PARAMATER");
  EXPECT_EQ(DevilErrorTextOf(0x050E), "STACK OVERFLOW ");
  EXPECT_EQ(DevilErrorTextOf(0x05FF), "UNKNOWN ERROR");
  EXPECT_EQ(DevilErrorTextOf(0x05AB), "Error 5AB");
}

}  // namespace
}  // namespace nvx
