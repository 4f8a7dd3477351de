// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <vector>

#include "image/cmyk.h"
#include "image/decode.h"

// JPEG through libjpeg-turbo itself: DevIL hands CMYK files over as R, G, B, A
// (black becomes alpha) and never returns from some truncated files.
namespace nvx {
namespace {

constexpr std::string_view kJpegError = "LIB JPEG ERROR";

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

// The converter for a CMYK file, through its own profile when it has one;
// Adobe's files keep CMYK inverted.
std::unique_ptr<CmykToRgb> CmykConverter(jpeg_decompress_struct& info) {
  JOCTET* icc = nullptr;
  unsigned int iccLength = 0;
  std::string_view profile;
  if (jpeg_read_icc_profile(&info, &icc, &iccLength)) {
    profile = {reinterpret_cast<const char*>(icc), iccLength};
  }
  auto converter = std::make_unique<CmykToRgb>(profile, info.saw_Adobe_marker);
  std::free(icc);
  return converter;
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
  Result<DecodedImage> Decode(std::string_view bytes, const PixelSink& sink,
                              const RowsDone& rowsDone) {
    if (setjmp(errors_.jump)) return Fail(std::string(kJpegError));
    start_ = reinterpret_cast<const unsigned char*>(bytes.data());
    jpeg_mem_src(&info_, start_, static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xFFFF);  // the ICC profile
    jpeg_read_header(&info_, TRUE);
    const bool cmyk = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
    info_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    if (cmyk) cmyk_ = CmykConverter(info_);
    jpeg_start_decompress(&info_);
    decoded_ = {static_cast<int>(info_.output_width), static_cast<int>(info_.output_height),
                nullptr};
    decoded_.pixels = sink(decoded_.width, decoded_.height);
    if (!decoded_.pixels) return OutOfMemory();
    if (cmyk) row_.resize(4 * static_cast<std::size_t>(info_.output_width));
    ReadRows(cmyk, rowsDone);
    jpeg_finish_decompress(&info_);
    if (errors_.endedEarly) return Fail(std::string(kJpegError));
    return decoded_;
  }

 private:
  // The memory source moves only forwards, and what lies behind it is copied.
  std::size_t InputDone() const {
    return static_cast<std::size_t>(info_.src->next_input_byte - start_);
  }

  // Rows come top first, a progressive file's too once its scans are in.
  void ReadRows(bool cmyk, const RowsDone& rowsDone) {
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(info_.output_width);
    while (info_.output_scanline < info_.output_height && !errors_.endedEarly) {
      std::uint8_t* out = decoded_.pixels + rowBytes * info_.output_scanline;
      JSAMPROW row = cmyk ? row_.data() : out;
      jpeg_read_scanlines(&info_, &row, 1);
      if (cmyk) {
        for (std::size_t i = 3; i < rowBytes; i += 4) out[i] = 255;
        cmyk_->Convert(row_.data(), out, info_.output_width);
      }
      if (rowsDone) rowsDone(static_cast<int>(info_.output_scanline), InputDone());
    }
  }

  jpeg_decompress_struct info_{};
  const unsigned char* start_ = nullptr;
  ErrorManager errors_{};
  std::unique_ptr<CmykToRgb> cmyk_;
  std::vector<std::uint8_t> row_;
  DecodedImage decoded_;
};

}  // namespace

Result<DecodedImage> DecodeJpeg(std::string_view bytes, const PixelSink& sink,
                                const RowsDone& rowsDone) {
  return JpegReader().Decode(bytes, sink, rowsDone);
}

}  // namespace nvx
