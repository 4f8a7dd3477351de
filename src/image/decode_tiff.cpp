#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/byte_reader.h"
#include "image/cmyk.h"
#include "image/decode.h"
#include "image/tiff_samples.h"

// TIFF through libtiff itself: DevIL hands back associated alpha unconverted,
// drops the alpha of CMYK files and turns some orientations but not others;
// libtiff's own RGBA reader darkens grey with alpha in planes, converts
// L*a*b* by its own approximation and takes no samples wider than 16 bits.
namespace nvx {
namespace {

constexpr std::string_view kOpenError = "UNABLE TO OPEN FILE";
constexpr std::string_view kTiffError = "LIB TIFF ERROR";
constexpr std::string_view kInksError =
    "This TIFF is made of inks other than cyan, magenta, yellow and black; nvxprint prints "
    "from those four only.";

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
                inkset = INKSET_CMYK, sampleFormat = SAMPLEFORMAT_UINT;
  std::uint16_t extraCount = 0;
  const std::uint16_t* extra = nullptr;
};

// A separated file with an ink set of its own, or fewer than four inks before
// its extra samples: no guess at its colours is safe. Inks past the fourth
// (libtiff makes them extra samples) are not printed.
bool InksUnprintable(const Layout& l) {
  return l.photometric == PHOTOMETRIC_SEPARATED &&
         (l.inkset != INKSET_CMYK || l.samples < 4 + l.extraCount);
}

// The colour samples of a pixel before its extra ones, for the kinds of
// picture we read sample by sample: 0 for the others.
int ColourSamples(const Layout& l) {
  switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return 1;
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
      return 3;
    case PHOTOMETRIC_SEPARATED:
      return l.inkset == INKSET_CMYK ? 4 : 0;
    default:
      return 0;
  }
}

bool IsInteger(const Layout& l) {
  return l.sampleFormat == SAMPLEFORMAT_UINT || l.sampleFormat == SAMPLEFORMAT_INT ||
         l.sampleFormat == SAMPLEFORMAT_VOID;
}

// Integers of 8 to 32 bits, signed or not, and floating-point numbers of 16,
// 32 or 64 bits.
bool SamplesReadable(const Layout& l) {
  if (IsInteger(l)) return l.bits >= 8 && l.bits <= 32;
  return l.sampleFormat == SAMPLEFORMAT_IEEEFP && (l.bits == 16 || l.bits == 32 || l.bits == 64);
}

// Grey, RGB, CMYK (inks C, M, Y, K) and L*a*b* of 8 bits or more, with or
// without alpha, in strips or tiles, samples together or in planes: read by
// us, so alpha comes exactly as the file stores it, CMYK goes through a
// profile and L*a*b* through Little CMS. Fewer bits go to libtiff's reader.
bool ReadsOwnWay(const Layout& l) {
  const int colours = ColourSamples(l);
  return colours > 0 && SamplesReadable(l) &&
         (l.planar == PLANARCONFIG_CONTIG || l.planar == PLANARCONFIG_SEPARATE) &&
         l.samples >= colours && l.samples <= colours + 4;
}

// Samples neither we nor libtiff's reader (integers of 1, 2, 4, 8 or 16 bits)
// take, in words.
std::optional<std::string> UnreadableSamplesText(const Layout& l) {
  if (ReadsOwnWay(l)) return std::nullopt;
  const bool libtiffReads =
      IsInteger(l) && (l.bits <= 8 ? std::has_single_bit(l.bits) : l.bits == 16);
  if (libtiffReads) return std::nullopt;
  const char* kind = l.sampleFormat == SAMPLEFORMAT_IEEEFP ? "floating-point numbers"
                     : IsInteger(l)                        ? "integers"
                                                           : "complex numbers";
  return "This TIFF stores its samples as " + std::to_string(l.bits) + "-bit " + kind +
         (ColourSamples(l) > 0 ? "" : " in a colour model other than grey, RGB, CMYK and L*a*b*") +
         ", which nvxprint does not read.";
}

// A row of samples as the file keeps them together to R, G, B, A: grey to
// three equal components, CMYK through a profile (from 8-bit inks), L*a*b*
// through Little CMS.
class RowConverter {
 public:
  RowConverter(TIFF* tiff, const Layout& l)
      : l_(l),
        samples_(l.bits, l.sampleFormat),
        colours_(ColourSamples(l)),
        alpha_(l.samples > colours_ && l.extraCount > 0 && l.extra[0] != EXTRASAMPLE_UNSPECIFIED),
        associated_(alpha_ && l.extra[0] == EXTRASAMPLE_ASSOCALPHA) {
    if (l.photometric == PHOTOMETRIC_SEPARATED) {
      toRgb_ = std::make_unique<CmykToRgb>(IccProfile(tiff), false);
      inks_.resize(4 * static_cast<std::size_t>(l.width));
    } else if (IsLab()) {
      // Without a white point of its own, L*a*b* is relative to D50.
      float* white = nullptr;
      TIFFGetFieldDefaulted(tiff, TIFFTAG_WHITEPOINT, &white);
      labToRgb_ = white ? std::make_unique<LabToRgb>(white[0], white[1])
                        : std::make_unique<LabToRgb>(0.3457, 0.3585);
      lab_.resize(3 * static_cast<std::size_t>(l.width));
    }
  }

  void Row(const std::uint8_t* row, std::uint8_t* out) {
    for (std::uint32_t x = 0; x < l_.width; ++x) {
      const std::size_t first = static_cast<std::size_t>(x) * l_.samples;
      std::uint8_t* pixel = out + 4 * static_cast<std::size_t>(x);
      pixel[3] = alpha_ ? samples_.Byte(row, first + colours_) : 255;
      if (IsLab()) {
        double* lab = lab_.data() + 3 * static_cast<std::size_t>(x);
        const bool icc = l_.photometric == PHOTOMETRIC_ICCLAB;
        for (int c = 0; c < 3; ++c) lab[c] = samples_.Lab(row, first + c, c, icc);
        if (associated_ && pixel[3] > 0) {
          for (int c = 0; c < 3; ++c) lab[c] = lab[c] * 255 / pixel[3];
        }
        continue;
      }
      std::uint8_t* colour = toRgb_ ? inks_.data() + 4 * static_cast<std::size_t>(x) : pixel;
      for (int c = 0; c < colours_; ++c) colour[c] = samples_.Byte(row, first + c);
      if (colours_ == 1) {
        if (l_.photometric == PHOTOMETRIC_MINISWHITE) pixel[0] = 255 - pixel[0];
        pixel[1] = pixel[2] = pixel[0];
      }
      if (associated_) DivideOutAlpha(colour, colours_ == 1 ? 3 : colours_, pixel[3]);
    }
    if (toRgb_) toRgb_->Convert(inks_.data(), out, l_.width);
    if (labToRgb_) labToRgb_->Convert(lab_.data(), out, l_.width);
  }

 private:
  bool IsLab() const {
    return l_.photometric == PHOTOMETRIC_CIELAB || l_.photometric == PHOTOMETRIC_ICCLAB;
  }

  const Layout& l_;
  SampleReader samples_;
  int colours_;
  bool alpha_, associated_;
  std::unique_ptr<CmykToRgb> toRgb_;
  std::unique_ptr<LabToRgb> labToRgb_;
  std::vector<std::uint8_t> inks_;
  std::vector<double> lab_;
};

// Bits of a pixel, and bytes of a row of `width` pixels of `bitsPerPixel`
// (rows start on a whole byte).
std::uint64_t PixelBits(const Layout& l) { return std::uint64_t{l.samples} * l.bits; }
std::size_t RowBytes(std::uint64_t width, std::uint64_t bitsPerPixel) {
  return static_cast<std::size_t>((width * bitsPerPixel + 7) / 8);
}

// Strips with the samples together: a row at a time.
bool ReadScanlines(TIFF* tiff, const Layout& l, std::uint8_t* out, const RowsDone& rowsDone) {
  RowConverter convert(tiff, l);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
  if (row.size() < RowBytes(l.width, PixelBits(l))) return false;
  for (std::uint32_t y = 0; y < l.height; ++y, out += 4 * static_cast<std::size_t>(l.width)) {
    if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) return false;
    convert.Row(row.data(), out);
    if (rowsDone) rowsDone(static_cast<int>(y) + 1, 0);
  }
  return true;
}

// Tiles, or strips of one sample each (planes): a band of rows at a time, a
// row of tiles or one strip of every plane, gathered into rows of samples
// together. Each piece is decoded once.
bool ReadBands(TIFF* tiff, const Layout& l, std::uint8_t* out, const RowsDone& rowsDone) {
  const bool tiled = TIFFIsTiled(tiff);
  const bool planes = l.planar == PLANARCONFIG_SEPARATE;
  const std::uint64_t pixelBits = PixelBits(l);
  const std::uint64_t pieceBits = planes ? l.bits : pixelBits;  // a pixel of a piece
  std::uint32_t pieceWidth = l.width;
  std::uint32_t bandRows = 0;
  if (tiled) {
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &pieceWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &bandRows);
  } else {
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &bandRows);
  }
  bandRows = std::min(bandRows, l.height);
  if (pieceWidth == 0 || bandRows == 0) return false;
  const std::size_t pieceRowBytes = RowBytes(pieceWidth, pieceBits);
  const std::size_t rowBytes = RowBytes(l.width, pixelBits);
  // A tile may stand out past the image, but not hold more than it.
  const std::uint64_t pieceSize = tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
  const std::uint64_t imageSize = std::uint64_t{rowBytes} * l.height;
  if (pieceSize < std::uint64_t{pieceRowBytes} * bandRows ||
      pieceSize > imageSize + (std::uint64_t{16} << 20)) {
    return false;
  }
  RowConverter convert(tiff, l);
  std::vector<std::uint8_t> piece(pieceSize);
  std::vector<std::uint8_t> band(rowBytes * bandRows);
  for (std::uint32_t y = 0; y < l.height; y += bandRows) {
    const std::uint32_t rows = std::min(bandRows, l.height - y);
    for (std::uint16_t plane = 0; plane < (planes ? l.samples : 1); ++plane) {
      for (std::uint32_t x = 0; x < l.width; x += pieceWidth) {
        const tmsize_t read =
            tiled ? TIFFReadTile(tiff, piece.data(), x, y, 0, plane)
                  : TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y, plane), piece.data(),
                                         static_cast<tmsize_t>(pieceSize));
        if (read < 0 || static_cast<std::uint64_t>(read) < std::uint64_t{rows} * pieceRowBytes) {
          return false;
        }
        const std::uint32_t columns = std::min(pieceWidth, l.width - x);
        for (std::uint32_t r = 0; r < rows; ++r) {
          const std::uint8_t* from = piece.data() + std::size_t{r} * pieceRowBytes;
          std::uint8_t* to = band.data() + std::size_t{r} * rowBytes;
          if (!planes) {
            CopyBits(from, 0, to, x * pixelBits, columns * pixelBits);
            continue;
          }
          for (std::uint32_t c = 0; c < columns; ++c) {
            CopyBits(from, c * pieceBits, to, (x + c) * pixelBits + plane * l.bits, l.bits);
          }
        }
      }
    }
    for (std::uint32_t r = 0; r < rows; ++r) {
      convert.Row(band.data() + std::size_t{r} * rowBytes,
                  out + (std::size_t{y} + r) * l.width * 4);
    }
    if (rowsDone) rowsDone(static_cast<int>(y + rows), 0);
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

Result<DecodedImage> DecodeTiff(std::string_view bytes, const PixelSink& sink,
                                const RowsDone& rowsDone) {
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
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_EXTRASAMPLES, &l.extraCount, &l.extra);
  if (l.width == 0 || l.height == 0 || l.width > INT32_MAX || l.height > INT32_MAX) {
    return Fail("BAD DIMENSIONS");
  }
  if (InksUnprintable(l)) return Fail(std::string(kInksError));
  if (auto text = UnreadableSamplesText(l)) return Fail(*text);
  DecodedImage decoded{static_cast<int>(l.width), static_cast<int>(l.height), nullptr};
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  bool ok = false;
  if (!ReadsOwnWay(l)) {
    ok = ReadRgba(tiff.get(), l, decoded.pixels);
  } else if (TIFFIsTiled(tiff.get()) || l.planar == PLANARCONFIG_SEPARATE) {
    ok = ReadBands(tiff.get(), l, decoded.pixels, rowsDone);
  } else {
    ok = ReadScanlines(tiff.get(), l, decoded.pixels, rowsDone);
  }
  if (!ok) return Fail(std::string(kTiffError));
  return decoded;
}

}  // namespace nvx
