// Files made on the spot by real writers (ImageMagick, exiftool), loaded and
// compared with ImageMagick's own decode; and decoders that crash, hang or
// run away, which must end only their child process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "image/colour.h"
#include "image/decode_child.h"
#include "image/intake.h"
#include "load_fixture.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::kImages;

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; the test fails when it does.
void Shell(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

// Writes an Exif density of 100 x 200 dpi into `file`, with the Exif tags of
// `more` ("-Orientation=6").
void StoreExifDensity(const std::filesystem::path& file, const std::string& more = "") {
  Shell(
      "exiftool -q -overwrite_original -n -IFD0:XResolution=100 -IFD0:YResolution=200 "
      "-IFD0:ResolutionUnit=2 " +
      more + " '" + file.string() + "'");
}

// ImageMagick's decode of `file` as 8-bit RGBA, upright by its Exif orientation.
// `convert` adds `options` (profiles to convert through).
std::string ReferencePixels(const std::filesystem::path& file, const std::filesystem::path& raw,
                            const std::string& options = "") {
  Shell("convert '" + file.string() + "[0]' -auto-orient " + options + " -depth 8 rgba:'" +
        raw.string() + "'");
  return test::ReadFileBytes(raw);
}

// Pillow's decode, for Photoshop files: ImageMagick 6 mattes their transparency.
std::string PillowPixels(const std::filesystem::path& file, const std::filesystem::path& raw) {
  Shell(
      "/usr/bin/python3 -c 'import sys; from PIL import Image; open(sys.argv[2], \"wb\").write("
      "Image.open(sys.argv[1]).convert(\"RGBA\").tobytes())' '" +
      file.string() + "' '" + raw.string() + "'");
  return test::ReadFileBytes(raw);
}

// The largest difference of one byte of RGBA; 256 when the buffer is too short.
// Fully transparent pixels compare by their alpha only.
int LargestDifference(std::span<const std::uint8_t> buffer, const std::string& expected) {
  if (buffer.size() < expected.size() || expected.empty()) return 256;
  int largest = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i | 3] == 0 && (i & 3) != 3) continue;
    largest = std::max(largest, std::abs(int(buffer[i]) - int(std::uint8_t(expected[i]))));
  }
  return largest;
}

class Corpus : public test::LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    if (!HaveTool("convert") || !HaveTool("exiftool")) GTEST_SKIP() << "ImageMagick or exiftool";
  }
  void TearDown() override {
    SetDecodeTestHook({});
    LoadTest::TearDown();
  }
};

struct UprightCase {
  const char* name;
  const char* extension;
  int orientation;
  int tolerance;  // JPEG is lossy
};
using test::PrintTo;

class Upright : public Corpus, public testing::WithParamInterface<UprightCase> {};

// The stored picture is the upright one turned back by the tag's inverse, so a
// correct load gives the upright picture again, turned size and density included.
TEST_P(Upright, LoadsAsEveryViewerShowsIt) {
  const UprightCase& c = GetParam();
  static const char* const kInverse[] = {"",          "",           "-flop",       "-rotate 180",
                                         "-flip",     "-transpose", "-rotate -90", "-transverse",
                                         "-rotate 90"};
  auto upright = folder_ / "upright.png";
  auto stored = folder_ / (std::string("stored.") + c.extension);
  Shell(
      "convert -size 48x32 xc:white -fill red -draw 'rectangle 0,0 15,15' -fill blue -draw "
      "'rectangle 32,16 47,31' -fill lime -draw 'rectangle 32,0 47,15' '" +
      upright.string() + "'");
  Shell("convert '" + upright.string() + "' " + kInverse[c.orientation] +
        " -density 100x200 -units PixelsPerInch -quality 100 -define webp:lossless=true '" +
        stored.string() + "'");
  // Density 100 x 200 as stored: after a quarter turn it reads 200 x 100.
  StoreExifDensity(stored, "-Orientation=" + std::to_string(c.orientation));
  const bool turned = c.orientation >= 5;
  Result<LoadedImage> result = Load(stored);
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result->image.widthPx, 48);
  EXPECT_EQ(result->image.heightPx, 32);
  EXPECT_NEAR(result->image.dpiX, turned ? 200 : 100, 0.1);
  EXPECT_NEAR(result->image.dpiY, turned ? 100 : 200, 0.1);
  EXPECT_LE(LargestDifference(result->image.buffer, ReferencePixels(upright, folder_ / "up.rgba")),
            c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Upright,
    testing::Values(UprightCase{"Png1", "png", 1, 0}, UprightCase{"Png2", "png", 2, 0},
                    UprightCase{"Png3", "png", 3, 0}, UprightCase{"Png4", "png", 4, 0},
                    UprightCase{"Png5", "png", 5, 0}, UprightCase{"Png6", "png", 6, 0},
                    UprightCase{"Png7", "png", 7, 0}, UprightCase{"Png8", "png", 8, 0},
                    UprightCase{"Tiff6", "tif", 6, 0}, UprightCase{"Tiff3", "tif", 3, 0},
                    UprightCase{"Jpeg3", "jpg", 3, 24}, UprightCase{"Jpeg6", "jpg", 6, 24},
                    UprightCase{"Jpeg8", "jpg", 8, 24}, UprightCase{"WebP6", "webp", 6, 0},
                    UprightCase{"WebP3", "webp", 3, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Tolerances: JPEG is lossy; 16-bit samples (ImageMagick's default) round to
// 8 bits one way or the other; associated alpha loses a little when divided out.
struct WriterCase {
  const char* name;
  std::string make;    // ImageMagick arguments that draw the picture
  std::string writer;  // the format prefix ImageMagick writes it with
  const char* storedAs;
  int tolerance;
  bool pillow = false;         // compared with Pillow's decode instead of ImageMagick's
  std::string reference = "";  // options of ImageMagick's decode
};

class Writers : public Corpus, public testing::WithParamInterface<WriterCase> {};

// Whatever the name says, the content is decoded, and decoded as others do.
// Background removal is on, so the file's own transparency is kept.
TEST_P(Writers, LoadLikeAnIndependentDecode) {
  const WriterCase& c = GetParam();
  auto file = folder_ / c.storedAs;
  Shell("convert " + c.make + " " + c.writer + "'" + file.string() + "'");
  Result<LoadedImage> result = Load(file, {.backgroundRemoval = true});
  ASSERT_TRUE(result.ok()) << result.failure().message;
  auto raw = folder_ / "ref.rgba";
  std::string expected =
      c.pillow ? PillowPixels(file, raw) : ReferencePixels(file, raw, c.reference);
  // The top-left colour becomes background: its alpha is ours to decide.
  for (std::size_t i = 3; i < expected.size(); i += 4) {
    if (result->image.buffer[i] == 0 && expected.compare(i - 3, 3, expected, 0, 3) == 0) {
      expected[i] = 0;
    }
  }
  EXPECT_LE(LargestDifference(result->image.buffer, expected), c.tolerance);
}

const std::string kPicture =
    "-size 32x16 xc:white -fill red -draw 'rectangle 0,0 15,15' -fill blue -draw 'rectangle "
    "16,0 31,7'";
// Transparent but for a half-transparent red pixel and an opaque blue one.
const std::string kTransparent =
    "-size 4x3 xc:none -fill 'rgba(255,0,0,0.5)' -draw 'point 1,1' -fill blue -draw 'point 2,2'";

const std::string kIcc = "/usr/share/color/icc/ghostscript/";
// CMYK goes through the file's own profile, else Debian's default CMYK profile.
const std::string kToSrgb =
    "-intent Relative -black-point-compensation -profile " + kIcc + "srgb.icc";

INSTANTIATE_TEST_SUITE_P(
    Files, Writers,
    testing::Values(
        WriterCase{"JpegNamedPng", kPicture + " -quality 100", "jpg:", "photo.png", 24},
        WriterCase{"PngNamedJpg", kPicture, "png:", "picture.jpg", 0},
        WriterCase{"PsdWithAlpha", kTransparent + " -depth 8", "psd:", "a.psd", 0, true},
        WriterCase{"Psd16Bit", kPicture, "psd:", "plain.psd", 0},
        WriterCase{"TiffAlpha", kTransparent + " -define tiff:alpha=unassociated", "tif:", "a.tif",
                   1},
        WriterCase{"TiffAssociatedAlpha", kTransparent + " -define tiff:alpha=associated",
                   "tif:", "b.tif", 2},
        WriterCase{"Tiff16BitAlpha", kTransparent + " -depth 16", "tif:", "c.tif", 1},
        WriterCase{"WebPLosslessAlpha", kTransparent + " -define webp:lossless=true",
                   "webp:", "a.webp", 0},
        WriterCase{"Png16BitAlpha", kTransparent + " -depth 16", "png64:", "a16.png", 1},
        WriterCase{"PngPaletteAlpha", kTransparent, "png8:", "p8.png", 0},
        WriterCase{"PngGrey", kPicture + " -colorspace Gray", "png:", "g.png", 0},
        WriterCase{"JpegGrey", kPicture + " -colorspace Gray -quality 100", "jpg:", "g.jpg", 24},
        WriterCase{"GifTransparent", kTransparent, "gif:", "t.gif", 0},
        WriterCase{"GifInterlaced", kPicture + " -interlace GIF", "gif:", "i.gif", 0},
        WriterCase{"PngInterlaced", kPicture + " -interlace PNG", "png:", "i.png", 0},
        WriterCase{"JpegProgressive", kPicture + " -interlace JPEG -quality 100", "jpg:", "i.jpg",
                   24},
        // Of an animation or a file of pages, the first picture prints.
        WriterCase{"GifAnimated", kPicture + " -size 32x16 xc:green", "gif:", "anim.gif", 0},
        WriterCase{"TiffTwoPages", kPicture + " -size 32x16 xc:green", "tif:", "pages.tif", 0},
        WriterCase{"BmpV5", kPicture, "bmp:", "v5.bmp", 0},
        WriterCase{"BmpV5Alpha", kTransparent, "bmp:", "v5a.bmp", 0},
        WriterCase{"BmpV5Palette", kPicture + " -type Palette", "bmp:", "p.bmp", 0},
        WriterCase{"BmpV3", kPicture, "bmp3:", "v3.bmp", 0},
        WriterCase{"BmpV3Rle", kPicture + " -type Palette -compress RLE", "bmp3:", "rle.bmp", 0},
        WriterCase{"BmpV5Rle", kPicture + " -type Palette -compress RLE", "bmp:", "rle5.bmp", 0},
        WriterCase{"BigTiffAlpha", kTransparent, "tiff64:", "big.tif", 1},
        WriterCase{"TiffGreyAlpha", kTransparent + " -colorspace Gray", "tif:", "ga.tif", 1},
        // ImageMagick turns L*a*b* into sRGB by formulas of its own.
        WriterCase{"TiffLab16BitAlpha", kTransparent + " -colorspace Lab", "tif:", "lab.tif", 5},
        WriterCase{"TiffLab",
                   kPicture + " -fill '#3a7a40' -draw 'rectangle 16,8 23,15' "
                              "-colorspace Lab -depth 8",
                   "tif:", "lab8.tif", 1},
        WriterCase{"BmpOs2", kPicture, "bmp2:", "os2.bmp", 0},
        WriterCase{"CmykJpegAdobe", kPicture + " -colorspace CMYK -quality 100", "jpg:", "k.jpg", 8,
                   false, "-profile " + kIcc + "default_cmyk.icc " + kToSrgb},
        WriterCase{"CmykJpegOwnProfile",
                   kPicture + " -colorspace CMYK -quality 100 -profile " + kIcc + "ps_cmyk.icc",
                   "jpg:", "p.jpg", 8, false, kToSrgb},
        WriterCase{"CmykTiffWithAlpha", kTransparent + " -colorspace CMYK", "tif:", "d.tif", 2,
                   false, "-profile " + kIcc + "default_cmyk.icc " + kToSrgb},
        WriterCase{"CmykTiffTiled", kPicture + " -colorspace CMYK -define tiff:tile-geometry=16x16",
                   "tif:", "tiles.tif", 2, false,
                   "-profile " + kIcc + "default_cmyk.icc " + kToSrgb},
        WriterCase{"CmykTiffOwnProfile",
                   kPicture + " -colorspace CMYK -profile " + kIcc + "ps_cmyk.icc", "tif:", "p.tif",
                   2, false, kToSrgb},
        WriterCase{"CmykPsd", kPicture + " -colorspace CMYK -depth 8", "psd:", "k.psd", 2, false,
                   "-profile " + kIcc + "default_cmyk.icc " + kToSrgb},
        WriterCase{"CmykPsdOwnProfile",
                   kPicture + " -colorspace CMYK -depth 8 -profile " + kIcc + "ps_cmyk.icc",
                   "psd:", "p.psd", 2, false, kToSrgb}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnreadableCase {
  const char* name;
  std::string make;  // ImageMagick arguments, or "" for bytes of no known kind
  const char* mentions;
};

class Unreadable : public Corpus, public testing::WithParamInterface<UnreadableCase> {};

// Only the formats we read reach a decoder; the others are named in words.
TEST_P(Unreadable, SaysWhatTheFileIsWithoutDecoding) {
  const UnreadableCase& c = GetParam();
  auto file = folder_ / "image.png";
  if (c.make.empty()) {
    test::WriteFileBytes(file, std::string("\x01\x02\x03\x04\x05", 5));  // a 5-byte WAL
  } else {
    Shell("convert -size 8x6 xc:red " + c.make + "'" + file.string() + "'");
  }
  SetDecodeTestHook({DecodeFault::Crash});
  Result<LoadedImage> result = Load(file);
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.failure().message.find(c.mentions), std::string::npos)
      << result.failure().message;
  EXPECT_EQ(result.failure().message.find("signal"), std::string::npos) << result.failure().message;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Unreadable,
    testing::Values(UnreadableCase{"Icon", "ico:", "in the Windows icon (ICO) format"},
                    UnreadableCase{"Xpm", "xpm:", "in the XPM format"},
                    UnreadableCase{"Ppm16", "-depth 16 ppm:", "portable anymap"},
                    UnreadableCase{"Sgi", "sgi:", "in the SGI format"},
                    UnreadableCase{"Wal", "", "not an image nvxprint knows"}),
    [](const auto& info) { return std::string(info.param.name); });

// HEIC from libheif's own encoder, with an Exif resolution, compared with
// heif-convert's decode (its lossless mode swaps channels in this version).
TEST_F(Corpus, HeicLoadsWithItsExifResolution) {
  if (!HaveTool("heif-enc") || !HaveTool("heif-convert")) GTEST_SKIP() << "libheif-examples";
  auto picture = folder_ / "picture.png";
  auto heic = folder_ / "picture.heic";
  Shell("convert " + kPicture + " png:'" + picture.string() + "'");
  Shell("heif-enc -q 90 -o '" + heic.string() + "' '" + picture.string() + "'");
  StoreExifDensity(heic);
  Result<LoadedImage> result = Load(heic);
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result->image.formatClass, 0);
  EXPECT_NEAR(result->image.dpiX, 100, 0.1);
  EXPECT_NEAR(result->image.dpiY, 200, 0.1);
  auto converted = folder_ / "converted.png";
  Shell("heif-convert '" + heic.string() + "' '" + converted.string() + "'");
  EXPECT_LE(LargestDifference(result->image.buffer, ReferencePixels(converted, folder_ / "c.rgba")),
            1);
}

// An animated WebP (img2webp's, lossless) prints its first frame, upright by
// its Exif chunk, with its Exif resolution; the frame's own file is the reference.
TEST_F(Corpus, AnimatedWebPPrintsItsFirstFrame) {
  if (!HaveTool("img2webp")) GTEST_SKIP() << "img2webp (webp)";
  auto first = folder_ / "first.png";
  auto second = folder_ / "second.png";
  auto animation = folder_ / "animation.webp";
  Shell("convert " + kPicture + " png:'" + first.string() + "'");
  Shell("convert -size 32x16 xc:green png:'" + second.string() + "'");
  Shell("img2webp -lossless '" + first.string() + "' -lossy '" + second.string() + "' -o '" +
        animation.string() + "'");
  StoreExifDensity(animation, "-Orientation=6");
  Result<LoadedImage> result = Load(animation);
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result->image.widthPx, 16);
  EXPECT_EQ(result->image.heightPx, 32);
  EXPECT_NEAR(result->image.dpiX, 200, 0.1);
  EXPECT_NEAR(result->image.dpiY, 100, 0.1);
  EXPECT_EQ(LargestDifference(result->image.buffer,
                              ReferencePixels(first, folder_ / "f.rgba", "-rotate 90")),
            0);
}

struct ChildCase {
  const char* name;
  DecodeFault fault;
  const char* mentions;
};

class FailingDecoder : public Corpus, public testing::WithParamInterface<ChildCase> {};

// The program goes on after any of these, and the next load works.
TEST_P(FailingDecoder, EndsOnlyTheChildWithTheReason) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's allocator ends a process out of memory itself.
  if (std::string(GetParam().name) == "RunawayAllocation") GTEST_SKIP() << "address sanitizer";
#endif
  SetDecodeTestHook({GetParam().fault, std::chrono::milliseconds(500)});
  Result<LoadedImage> result = Load(kImages / "corner.png");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure().message.rfind(kUnreadableImageText, 0), 0u)
      << result.failure().message;
  EXPECT_NE(result.failure().message.find(GetParam().mentions), std::string::npos)
      << result.failure().message;
  SetDecodeTestHook({});
  EXPECT_TRUE(Load(kImages / "corner.png").ok());
}

INSTANTIATE_TEST_SUITE_P(
    Hooks, FailingDecoder,
    testing::Values(ChildCase{"Crash", DecodeFault::Crash, "signal 11"},
                    ChildCase{"Abort", DecodeFault::Abort, "signal 6"},
                    ChildCase{"Hang", DecodeFault::Hang, "longer than 1 seconds"},
                    ChildCase{"RunawayAllocation", DecodeFault::RunawayAllocation, "more memory"},
                    ChildCase{"CrashHalfway", DecodeFault::CrashHalfway, "signal 11"},
                    ChildCase{"HangHalfway", DecodeFault::HangHalfway, "longer than 1 seconds"}),
    [](const auto& info) { return std::string(info.param.name); });

// A PNG of 37 x 300 noisy pixels, every row different.
std::filesystem::path MakeTallPng(const std::filesystem::path& file) {
  Shell(
      "convert -size 37x300 gradient:red-blue -seed 7 -attenuate 0.5 +noise Gaussian -depth 8 "
      "PNG24:'" +
      file.string() + "'");
  return file;
}

// Rows are copied in bands as the decoder hands them over, top first or, loaded
// upside down, bottom first: the same pixels as a decode in one piece.
TEST_F(Corpus, TallPngLoadsBandByBandAsItWasDecoded) {
  const auto png = MakeTallPng(folder_ / "tall.png");
  for (const bool flip : {false, true}) {
    LoadOptions options;
    options.flip = flip;
    Result<LoadedImage> result = Load(png, options);
    ASSERT_TRUE(result.ok()) << result.failure().message;
    EXPECT_EQ(LargestDifference(result->image.buffer,
                                ReferencePixels(png, folder_ / "t.rgba", flip ? "-flip" : "")),
              0)
        << "flip " << flip;
  }
  // Cut after some of its rows: those come over, the load still fails as it did.
  const std::string bytes = test::ReadFileBytes(png);
  test::WriteFileBytes(folder_ / "cut.png", bytes.substr(0, bytes.size() * 3 / 5));
  Result<LoadedImage> cut = Load(folder_ / "cut.png");
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.failure().message, "LIB PNG ERROR");
}

// The parent has the first rows while the child still decodes; here it stops
// for good after half of them, and the wait for the rest ends at its time limit.
TEST_F(Corpus, RowsComeOverBeforeTheDecoderAnswers) {
  const auto png = MakeTallPng(folder_ / "tall.png");
  const std::string expected = ReferencePixels(png, folder_ / "t.rgba");
  Result<platform::SharedMemory> input = platform::SharedMemory::Create();
  ASSERT_TRUE(input.ok() && input->Fill(test::ReadFileBytes(png)));
  SetDecodeTestHook({DecodeFault::HangHalfway, std::chrono::milliseconds(1000)});
  ChildDecode decode = ChildDecode::Start(ImageFormat::Png, *input, 37 * 300);
  ASSERT_TRUE(decode.WaitForRows(150).ok());
  const ChildDecoded& decoded = decode.Decoded();
  ASSERT_EQ(decoded.width, 37);
  ASSERT_EQ(decoded.height, 300);
  const std::size_t half = 150 * 37 * 4;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoded.pixels), half),
            expected.substr(0, half));
  const Status rest = decode.WaitForRows(300);
  ASSERT_FALSE(rest.ok());
  const std::string timedOut =
      std::string(kUnreadableImageText) + " Decoding took longer than 1 seconds.";
  EXPECT_EQ(rest.failure().message, timedOut);
  EXPECT_EQ(decode.Finish().failure().message, timedOut);
}

// The state letter of process `pid` ('R', 'S', 'Z', ...) and its parent; 0 when it is gone.
std::pair<char, int> ProcessState(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return {0, 0};
  const std::size_t after = line.rfind(')');
  char state = 0;
  int parent = 0;
  std::istringstream(line.substr(after + 1)) >> state >> parent;
  return {state, parent};
}

// The decoding child of `parent`, waited for up to two seconds; 0 when none came.
int DecodingChildOf(int parent) {
  for (int tries = 0; tries < 200; ++tries) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream comm(entry.path() / "comm");
      std::string command;
      std::getline(comm, command);
      if (command == kDecoderProgram && ProcessState(std::stoi(name)).second == parent) {
        return std::stoi(name);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

// A killed program leaves no decoder behind, even one that would never answer.
TEST(DecodingChild, EndsWithItsKilledParent) {
  const pid_t parent = ::fork();
  ASSERT_GE(parent, 0);
  if (parent == 0) {
    SetDecodeTestHook({DecodeFault::Hang, std::chrono::milliseconds(60'000)});
    (void)DecodeInChild(ImageFormat::Png, std::string_view("x"), 0);
    ::_exit(0);
  }
  const int child = DecodingChildOf(parent);
  ::kill(parent, SIGKILL);
  ::waitpid(parent, nullptr, 0);
  ASSERT_NE(child, 0);
  bool ended = false;
  for (int tries = 0; tries < 200 && !ended; ++tries) {
    const char state = ProcessState(child).first;
    ended = state == 0 || state == 'Z';
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!ended) ::kill(child, SIGKILL);
  EXPECT_TRUE(ended);
}

// A PNG of 100 bytes that declares 100,000 x 100,000 pixels is refused from its
// header; no decoder ever sees it, and the program goes on.
TEST_F(Corpus, DecompressionBombIsRefusedFromItsHeader) {
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0", 29);
  png += std::string(71, '\0');
  test::WriteFileBytes(folder_ / "bomb.png", png);
  SetDecodeTestHook({DecodeFault::Crash});
  Result<LoadedImage> result = Load(folder_ / "bomb.png");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure().message.rfind("The image is too large: 100000 x 100000 pixels", 0), 0u)
      << result.failure().message;
}

}  // namespace
}  // namespace nvx
