#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "image/byte_reader.h"
#include "image/decode.h"

// GIF through giflib: DevIL's reader writes past its buffers on damaged files.
// The first frame is printed, on the file's screen; what it leaves uncovered
// is transparent. Transparent pixels keep the colour the file gives them (the
// palette entry, or the screen's background colour), which is what prints
// when Background Removal is off.
namespace nvx {
namespace {

constexpr std::string_view kGifError = "LIB GIF ERROR";

// The file's bytes, then the end of a data block and of the file: many
// writers leave those two bytes out after the last picture, and giflib reads
// them once all of the picture's pixels are in.
struct GifInput {
  ByteCursor file;
  ByteCursor end{std::string_view("\0;", 2)};
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
  auto* input = static_cast<GifInput*>(gif->UserData);
  const std::size_t wanted = static_cast<std::size_t>(std::max(count, 0));
  const std::size_t got = input->file.Take(out, wanted);
  return static_cast<int>(got + input->end.Take(out + got, wanted - got));
}

struct CloseGif {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, CloseGif>;

// The transparent colour index a graphic control extension names, or -1.
bool ReadExtension(GifFileType* gif, int& transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
    transparent = (block[1] & 1) ? block[4] : -1;
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// The frame's rows in the order the file stores them (interlaced in four passes).
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> order;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
    for (int y = start; y < height; y += step) order.push_back(y);
  }
  return order;
}

// One palette entry as R, G, B with the given alpha; an index past the map is black.
void PutColour(const ColorMapObject* colours, int index, std::uint8_t alpha, std::uint8_t* out) {
  const bool known = colours && index >= 0 && index < colours->ColorCount;
  out[0] = known ? colours->Colors[index].Red : 0;
  out[1] = known ? colours->Colors[index].Green : 0;
  out[2] = known ? colours->Colors[index].Blue : 0;
  out[3] = alpha;
}

// The screen before the frame: its background colour, transparent.
void FillScreen(const GifFileType* gif, const DecodedImage& canvas) {
  std::uint8_t background[4];
  PutColour(gif->SColorMap, gif->SBackGroundColor, 0, background);
  const std::size_t pixels = static_cast<std::size_t>(canvas.width) * canvas.height;
  for (std::size_t i = 0; i < pixels; ++i) std::memcpy(canvas.pixels + 4 * i, background, 4);
}

bool ReadFrame(GifFileType* gif, int transparent, const DecodedImage& canvas) {
  if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours || frame.Width <= 0 || frame.Height <= 0 || frame.Width > 65535) return false;
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  for (int row : RowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return false;
    const int y = frame.Top + row;
    if (y < 0 || y >= canvas.height) continue;
    for (int x = 0; x < frame.Width; ++x) {
      const int cx = frame.Left + x;
      if (cx < 0 || cx >= canvas.width) continue;
      std::uint8_t* out = canvas.pixels + 4 * (static_cast<std::size_t>(y) * canvas.width + cx);
      PutColour(colours, line[x], line[x] == transparent ? 0 : 255, out);
    }
  }
  return true;
}

}  // namespace

Result<DecodedImage> DecodeGif(std::string_view bytes, const PixelSink& sink) {
  GifInput input{ByteCursor{bytes}};
  int error = 0;
  GifHandle gif(DGifOpen(&input, ReadFromMemory, &error));
  if (!gif || gif->SWidth <= 0 || gif->SHeight <= 0) return Fail(std::string(kGifError));
  DecodedImage canvas{gif->SWidth, gif->SHeight, nullptr};
  canvas.pixels = sink(canvas.width, canvas.height);
  if (!canvas.pixels) return OutOfMemory();
  FillScreen(gif.get(), canvas);
  int transparent = -1;
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  do {
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return Fail(std::string(kGifError));
    if (type == EXTENSION_RECORD_TYPE && !ReadExtension(gif.get(), transparent)) {
      return Fail(std::string(kGifError));
    }
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (!ReadFrame(gif.get(), transparent, canvas)) return Fail(std::string(kGifError));
      return canvas;
    }
  } while (type != TERMINATE_RECORD_TYPE);
  return Fail(std::string(kGifError));  // a screen without a picture
}

}  // namespace nvx
