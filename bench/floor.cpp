// The least work any print of a PNG must do: decode it with DevIL into RGBA
// and run one Little CMS transform to printer CMYK over the whole image, on one
// thread, in a single call. The print benchmark measures nvxprint against it.
//
//   nvx_bench_floor IMAGE OUTPUT_PROFILE [--timing]
//
// The input side is Little CMS's built-in sRGB, as nvxprint uses when no
// "sRGB.icm" is installed. Prints nothing but, with --timing, the time of each
// step on stderr.

#include <IL/il.h>
#include <lcms2.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ProfileHandle = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using TransformHandle = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// DevIL's image is deleted as soon as its pixels are copied, as nvxprint does.
// `loadMs` is the PNG decode alone, without the copy out to RGBA.
bool Decode(const char* file, RgbaImage& image, double& loadMs) {
  const Clock::time_point start = Clock::now();
  ilInit();
  ilEnable(IL_ORIGIN_SET);
  ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
  ILuint name = 0;
  ilGenImages(1, &name);
  ilBindImage(name);
  bool ok = ilLoadImage(file) != IL_FALSE;
  loadMs = MillisecondsSince(start);
  if (ok) {
    image.width = ilGetInteger(IL_IMAGE_WIDTH);
    image.height = ilGetInteger(IL_IMAGE_HEIGHT);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    ok = image.width > 0 && image.height > 0 &&
         ilCopyPixels(0, 0, 0, image.width, image.height, 1, IL_RGBA, IL_UNSIGNED_BYTE,
                      image.pixels.data()) != 0;
  }
  ilBindImage(0);
  ilDeleteImages(1, &name);
  return ok;
}

// The same intent and flags as nvxprint's conversion, so both do the same colour work.
TransformHandle BuildTransform(const char* outputProfile) {
  ProfileHandle in(cmsCreate_sRGBProfile(), &cmsCloseProfile);
  ProfileHandle out(cmsOpenProfileFromFile(outputProfile, "r"), &cmsCloseProfile);
  if (!in || !out) return TransformHandle(nullptr, &cmsDeleteTransform);
  return TransformHandle(cmsCreateTransform(in.get(), TYPE_RGBA_8, out.get(), TYPE_CMYK_8,
                                            INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE),
                         &cmsDeleteTransform);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--timing") != 0)) {
    std::fprintf(stderr, "usage: %s IMAGE OUTPUT_PROFILE [--timing]\n", argv[0]);
    return 2;
  }
  const bool timing = argc == 4;
  const Clock::time_point start = Clock::now();

  RgbaImage image;
  double loaded = 0;
  if (!Decode(argv[1], image, loaded)) {
    std::fprintf(stderr, "%s: cannot decode %s\n", argv[0], argv[1]);
    return 1;
  }
  const double decoded = MillisecondsSince(start);

  const Clock::time_point convertStart = Clock::now();
  TransformHandle transform = BuildTransform(argv[2]);
  if (!transform) {
    std::fprintf(stderr, "%s: cannot build the transform to %s\n", argv[0], argv[2]);
    return 1;
  }
  const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  std::vector<std::uint8_t> cmyk(pixels * 4);
  cmsDoTransform(transform.get(), image.pixels.data(), cmyk.data(),
                 static_cast<cmsUInt32Number>(pixels));
  const double converted = MillisecondsSince(convertStart);

  if (timing) {
    std::fprintf(
        stderr,
        "decode %.1f ms (of which the copy to RGBA %.1f ms), transform %.1f ms, total %.1f "
        "ms (%d x %d)\n",
        decoded, decoded - loaded, converted, MillisecondsSince(start), image.width, image.height);
  }
  return 0;
}
