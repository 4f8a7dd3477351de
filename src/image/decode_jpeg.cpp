// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <lcms2.h>

#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <vector>

#include "image/decode.h"

// JPEG through libjpeg-turbo itself: DevIL hands CMYK files over as R, G, B, A
// (black becomes alpha) and never returns from some truncated files.
namespace nvx {
namespace {

constexpr std::string_view kJpegError = "LIB JPEG ERROR";
// Debian's Ghostscript profile for CMYK without one of its own (SWOP-like).
constexpr const char* kDefaultCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool endedEarly = false;
};

[[noreturn]] void OnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings stay quiet, but data that ends early fails the load as it always did.
void OnMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && errors->manager.msg_code == JWRN_JPEG_EOF) errors->endedEarly = true;
}

using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using Transform = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

// CMYK to the RGB the rest of the program takes in (sRGB) through the file's
// own profile, else Debian's default CMYK profile, with black-point compensation as
// image editors do; Adobe's files keep CMYK inverted.
Transform CmykTransform(jpeg_decompress_struct& info) {
  JOCTET* icc = nullptr;
  unsigned int iccLength = 0;
  Profile cmyk(nullptr, cmsCloseProfile);
  if (jpeg_read_icc_profile(&info, &icc, &iccLength)) {
    cmyk.reset(cmsOpenProfileFromMem(icc, iccLength));
    std::free(icc);
  }
  if (!cmyk || cmsGetColorSpace(cmyk.get()) != cmsSigCmykData) {
    cmyk.reset(cmsOpenProfileFromFile(kDefaultCmykProfile, "r"));
  }
  Profile srgb(cmsCreate_sRGBProfile(), cmsCloseProfile);
  if (!cmyk || !srgb) return Transform(nullptr, cmsDeleteTransform);
  const cmsUInt32Number in = info.saw_Adobe_marker ? TYPE_CMYK_8_REV : TYPE_CMYK_8;
  return Transform(
      cmsCreateTransform(cmyk.get(), in, srgb.get(), TYPE_RGBA_8, INTENT_RELATIVE_COLORIMETRIC,
                         cmsFLAGS_COPY_ALPHA | cmsFLAGS_BLACKPOINTCOMPENSATION),
      cmsDeleteTransform);
}

// Without any profile: each ink takes its share of the light.
void NaiveCmyk(const std::uint8_t* cmyk, bool inverted, JDIMENSION width, std::uint8_t* out) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, out += 4) {
    const unsigned k = inverted ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned light = inverted ? cmyk[c] : 255 - cmyk[c];
      out[c] = static_cast<std::uint8_t>(light * k / 255);
    }
    out[3] = 255;
  }
}

class JpegReader {
 public:
  JpegReader() {
    info_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = OnError;
    errors_.manager.emit_message = OnMessage;
    jpeg_create_decompress(&info_);
  }
  ~JpegReader() { jpeg_destroy_decompress(&info_); }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  // No objects with destructors live between setjmp and a longjmp to it.
  Result<DecodedImage> Decode(std::string_view bytes, const PixelSink& sink) {
    if (setjmp(errors_.jump)) return Fail(std::string(kJpegError));
    jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xFFFF);  // the ICC profile
    jpeg_read_header(&info_, TRUE);
    const bool cmyk = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
    info_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    if (cmyk) transform_ = CmykTransform(info_);
    jpeg_start_decompress(&info_);
    decoded_ = {static_cast<int>(info_.output_width), static_cast<int>(info_.output_height),
                nullptr};
    decoded_.pixels = sink(decoded_.width, decoded_.height);
    if (!decoded_.pixels) return OutOfMemory();
    if (cmyk) row_.resize(4 * static_cast<std::size_t>(info_.output_width));
    ReadRows(cmyk);
    jpeg_finish_decompress(&info_);
    if (errors_.endedEarly) return Fail(std::string(kJpegError));
    return decoded_;
  }

 private:
  void ReadRows(bool cmyk) {
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(info_.output_width);
    while (info_.output_scanline < info_.output_height && !errors_.endedEarly) {
      std::uint8_t* out = decoded_.pixels + rowBytes * info_.output_scanline;
      JSAMPROW row = cmyk ? row_.data() : out;
      jpeg_read_scanlines(&info_, &row, 1);
      if (!cmyk) continue;
      if (transform_) {
        for (std::size_t i = 3; i < rowBytes; i += 4) out[i] = 255;
        cmsDoTransform(transform_.get(), row_.data(), out, info_.output_width);
      } else {
        NaiveCmyk(row_.data(), info_.saw_Adobe_marker, info_.output_width, out);
      }
    }
  }

  jpeg_decompress_struct info_{};
  ErrorManager errors_{};
  Transform transform_{nullptr, cmsDeleteTransform};
  std::vector<std::uint8_t> row_;
  DecodedImage decoded_;
};

}  // namespace

Result<DecodedImage> DecodeJpeg(std::string_view bytes, const PixelSink& sink) {
  return JpegReader().Decode(bytes, sink);
}

}  // namespace nvx
