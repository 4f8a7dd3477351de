#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "image/byte_reader.h"
#include "image/cmyk.h"
#include "image/decode.h"

// TIFF through libtiff itself: DevIL hands back associated alpha unconverted,
// drops the alpha of CMYK files and turns some orientations but not others.
namespace nvx {
namespace {

constexpr std::string_view kOpenError = "UNABLE TO OPEN FILE";
constexpr std::string_view kTiffError = "LIB TIFF ERROR";

// The file's bytes as libtiff's input.
using MemoryFile = ByteCursor;

tsize_t ReadProc(thandle_t handle, tdata_t out, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  return static_cast<tsize_t>(
      file->Take(out, static_cast<std::size_t>(std::max<tsize_t>(size, 0))));
}
tsize_t WriteProc(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  const toff_t base = whence == SEEK_CUR ? file->at : (whence == SEEK_END ? file->data.size() : 0);
  file->at = base + offset;
  return file->at;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->data.size(); }
int MapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
void UnmapProc(thandle_t, tdata_t, toff_t) {}

using TiffHandle = std::unique_ptr<TIFF, decltype(&TIFFClose)>;

// Alpha multiplied into the colours (associated) is divided out again: the
// rest of the program, like PNG, expects colours as they look when opaque.
void DivideOutAlpha(std::uint8_t* colours, int count, unsigned a) {
  if (a == 0 || a == 255) return;
  for (int c = 0; c < count; ++c)
    colours[c] = static_cast<std::uint8_t>(std::min(255u, (colours[c] * 255u + a / 2) / a));
}
void DivideOutAlpha(std::uint8_t* rgba) { DivideOutAlpha(rgba, 3, rgba[3]); }

// The file's own colour profile; empty when it has none.
std::string_view IccProfile(TIFF* tiff) {
  std::uint32_t length = 0;
  void* profile = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &length, &profile) != 1 || !profile) return {};
  return {static_cast<const char*>(profile), length};
}

struct Layout {
  std::uint32_t width = 0, height = 0;
  std::uint16_t photometric = 0, samples = 1, bits = 8, planar = PLANARCONFIG_CONTIG,
                inkset = INKSET_CMYK;
  std::uint16_t extraCount = 0;
  const std::uint16_t* extra = nullptr;
};

// 8- or 16-bit RGB or CMYK in strips, with or without alpha: read row by row,
// so alpha comes exactly as the file stores it.
bool ReadsByRows(const Layout& l) {
  const std::uint16_t colours = l.photometric == PHOTOMETRIC_RGB ? 3 : 4;
  const bool colour = l.photometric == PHOTOMETRIC_RGB ||
                      (l.photometric == PHOTOMETRIC_SEPARATED && l.inkset == INKSET_CMYK);
  return colour && (l.bits == 8 || l.bits == 16) && l.planar == PLANARCONFIG_CONTIG &&
         l.samples >= colours && l.samples <= colours + 4;
}

bool ReadRows(TIFF* tiff, const Layout& l, std::uint8_t* out) {
  const bool cmyk = l.photometric == PHOTOMETRIC_SEPARATED;
  const int colours = cmyk ? 4 : 3;
  const bool alpha =
      l.samples > colours && l.extraCount > 0 && l.extra[0] != EXTRASAMPLE_UNSPECIFIED;
  const bool associated = alpha && l.extra[0] == EXTRASAMPLE_ASSOCALPHA;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
  const std::size_t needed = static_cast<std::size_t>(l.width) * l.samples * (l.bits / 8);
  if (row.size() < needed) return false;
  // CMYK goes through a profile a row at a time, from 8-bit inks.
  std::unique_ptr<CmykToRgb> toRgb;
  std::vector<std::uint8_t> inks;
  if (cmyk) {
    toRgb = std::make_unique<CmykToRgb>(IccProfile(tiff), false);
    inks.resize(4 * static_cast<std::size_t>(l.width));
  }
  for (std::uint32_t y = 0; y < l.height; ++y, out += 4 * static_cast<std::size_t>(l.width)) {
    if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) return false;
    for (std::uint32_t x = 0; x < l.width; ++x) {
      auto sample = [&](int s) -> std::uint8_t {
        const std::size_t i = static_cast<std::size_t>(x) * l.samples + s;
        if (l.bits == 8) return row[i];
        std::uint16_t v;
        std::memcpy(&v, row.data() + 2 * i, 2);
        return static_cast<std::uint8_t>((v + 128u) / 257u);  // 16 bits to 8, rounded
      };
      std::uint8_t* pixel = out + 4 * static_cast<std::size_t>(x);
      std::uint8_t* colour = cmyk ? inks.data() + 4 * static_cast<std::size_t>(x) : pixel;
      for (int c = 0; c < colours; ++c) colour[c] = sample(c);
      pixel[3] = alpha ? sample(colours) : 255;
      if (associated) DivideOutAlpha(colour, colours, pixel[3]);
    }
    if (cmyk) toRgb->Convert(inks.data(), out, l.width);
  }
  return true;
}

// Every other kind through libtiff's RGBA reader, rows as stored (we turn
// them by the orientation tag ourselves); its alpha comes back associated.
bool ReadRgba(TIFF* tiff, const Layout& l, std::uint8_t* out) {
  char message[1024] = {};
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message))
    return false;
  image.req_orientation = ORIENTATION_TOPLEFT;
  image.orientation = ORIENTATION_TOPLEFT;
  // Packed A B G R from the high byte down: R, G, B, A in memory on this machine.
  const bool ok =
      TIFFRGBAImageGet(&image, reinterpret_cast<std::uint32_t*>(out), l.width, l.height);
  const bool alpha = image.alpha != 0;
  TIFFRGBAImageEnd(&image);
  if (ok && alpha) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(l.width) * l.height; ++i)
      DivideOutAlpha(out + 4 * i);
  }
  return ok;
}

}  // namespace

Result<DecodedImage> DecodeTiff(std::string_view bytes, const PixelSink& sink) {
  static_assert(std::endian::native == std::endian::little);
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  MemoryFile file{bytes};
  TiffHandle tiff(TIFFClientOpen("image", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                 SizeProc, MapProc, UnmapProc),
                  TIFFClose);
  if (!tiff) return Fail(std::string(kOpenError));
  Layout l;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &l.height);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PHOTOMETRIC, &l.photometric);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &l.planar);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_INKSET, &l.inkset);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_EXTRASAMPLES, &l.extraCount, &l.extra);
  if (l.width == 0 || l.height == 0 || l.width > INT32_MAX || l.height > INT32_MAX) {
    return Fail("BAD DIMENSIONS");
  }
  DecodedImage decoded{static_cast<int>(l.width), static_cast<int>(l.height), nullptr};
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  const bool ok = ReadsByRows(l) && !TIFFIsTiled(tiff.get())
                      ? ReadRows(tiff.get(), l, decoded.pixels)
                      : ReadRgba(tiff.get(), l, decoded.pixels);
  if (!ok) return Fail(std::string(kTiffError));
  return decoded;
}

}  // namespace nvx
