#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "image/byte_reader.h"
#include "image/decode.h"

// PNG through libpng itself, straight into the pixel memory: DevIL never
// returns from some truncated files and copies the image twice on the way.
namespace nvx {
namespace {

constexpr std::string_view kPngError = "LIB PNG ERROR";

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<ByteCursor*>(png_get_io_ptr(png));
  if (input->Take(out, count) != count) png_error(png, "the file ends early");
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Every kind of PNG becomes 8-bit R, G, B, A.
void AskForRgba(png_structp png, png_infop info) {
  const png_byte colour = png_get_color_type(png, info);
  png_set_expand(png);  // palette, low-bit grey and tRNS to full channels
  png_set_scale_16(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // no-op where alpha exists
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

class PngReader {
 public:
  PngReader()
      : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning)),
        info_(png_ ? png_create_info_struct(png_) : nullptr) {}
  ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  // No objects with destructors live between setjmp and a longjmp to it.
  Result<DecodedImage> Decode(std::string_view bytes, const PixelSink& sink,
                              const RowsDone& rowsDone) {
    if (!png_ || !info_) return OutOfMemory();
    if (setjmp(png_jmpbuf(png_))) return Fail(std::string(kPngError));
    input_.data = bytes;
    png_set_read_fn(png_, &input_, ReadFromMemory);
    png_set_user_limits(png_, 0x7FFFFFFF, 0x7FFFFFFF);  // the header check sets the real limit
    png_read_info(png_, info_);
    AskForRgba(png_, info_);
    decoded_.width = static_cast<int>(png_get_image_width(png_, info_));
    decoded_.height = static_cast<int>(png_get_image_height(png_, info_));
    if (png_get_rowbytes(png_, info_) != 4 * static_cast<std::size_t>(decoded_.width)) {
      return Fail(std::string(kPngError));
    }
    decoded_.pixels = sink(decoded_.width, decoded_.height);
    if (!decoded_.pixels) return OutOfMemory();
    rows_.resize(static_cast<std::size_t>(decoded_.height));
    for (std::size_t y = 0; y < rows_.size(); ++y) {
      rows_[y] = decoded_.pixels + 4 * static_cast<std::size_t>(decoded_.width) * y;
    }
    // An interlaced image is complete only after its last pass.
    if (png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE || !rowsDone) {
      png_read_image(png_, rows_.data());
      return decoded_;
    }
    for (std::size_t y = 0; y < rows_.size(); ++y) {
      png_read_row(png_, rows_[y], nullptr);
      // libpng keeps its own copy of what the read function gave it.
      rowsDone(static_cast<int>(y) + 1, input_.at);
    }
    return decoded_;
  }

 private:
  png_structp png_;
  png_infop info_;
  ByteCursor input_;
  DecodedImage decoded_;
  std::vector<png_bytep> rows_;
};

}  // namespace

Result<DecodedImage> DecodePng(std::string_view bytes, const PixelSink& sink,
                               const RowsDone& rowsDone) {
  return PngReader().Decode(bytes, sink, rowsDone);
}

}  // namespace nvx
