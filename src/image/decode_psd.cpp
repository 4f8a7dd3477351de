#include <cstring>
#include <vector>

#include "image/byte_reader.h"
#include "image/cmyk.h"
#include "image/decode.h"

// Photoshop's merged image, read by us: DevIL's reader runs past its buffers on
// damaged run-length data and loses the transparency ImageMagick writes.
namespace nvx {
namespace {

constexpr std::string_view kReadError = "FILE READ ERROR ";
constexpr std::string_view kBadValue = "ILLEGAL FILE VALUE";
enum PsdMode : std::uint32_t { kGray = 1, kIndexed = 2, kRgb = 3, kCmyk = 4 };

struct PsdHeader {
  std::uint32_t channels = 0, width = 0, height = 0, depth = 0, mode = 0;
};

// Decodes the channel planes the image needs, 8 bits a sample.
class PlaneReader {
 public:
  PlaneReader(const ByteReader& file, const PsdHeader& header, std::uint64_t at)
      : file_(file), header_(header), at_(at) {}

  bool Read(std::uint32_t planes, std::vector<std::uint8_t>& out) {
    auto compression = file_.U16(at_);
    if (!compression || *compression > 1) return false;
    at_ += 2;
    const std::uint64_t rows = static_cast<std::uint64_t>(header_.height) * header_.channels;
    const std::uint64_t sampleBytes = header_.depth / 8;
    const std::uint64_t rowBytes = header_.width * sampleBytes;
    std::uint64_t lengths = at_;  // run-length data: one 16-bit byte count per row first
    if (*compression == 1) at_ += 2 * rows;
    // Raw rows must all be there; a run of 2 bytes gives at most 128: a header
    // that asks for more than the data could hold is refused before allocating.
    const std::uint64_t needed = static_cast<std::uint64_t>(header_.height) * planes * rowBytes;
    const std::uint64_t present = file_.data.size() > at_ ? file_.data.size() - at_ : 0;
    if (*compression == 0 ? needed > present : needed > 64 * present) return false;
    std::vector<std::uint8_t> row(rowBytes);
    const std::size_t planeSize = static_cast<std::size_t>(header_.width) * header_.height;
    out.assign(planeSize * planes, 0);
    for (std::uint64_t r = 0; r < static_cast<std::uint64_t>(header_.height) * planes; ++r) {
      if (*compression == 0) {
        std::string_view raw = file_.Text(at_, rowBytes);
        if (raw.size() != rowBytes) return false;
        std::memcpy(row.data(), raw.data(), rowBytes);
        at_ += rowBytes;
      } else {
        auto count = file_.U16(lengths + 2 * r);
        if (!count || !UnpackBits(file_.Text(at_, *count), row)) return false;
        at_ += *count;
      }
      std::uint8_t* target = out.data() + r * header_.width;
      if (sampleBytes == 1) {
        std::memcpy(target, row.data(), header_.width);
        continue;
      }
      for (std::uint64_t x = 0; x < header_.width; ++x) {  // 16 bits to 8, rounded
        target[x] = static_cast<std::uint8_t>((row[2 * x] * 256u + row[2 * x + 1] + 128u) / 257u);
      }
    }
    return true;
  }

 private:
  // PackBits into exactly row.size() bytes; false when the data is short or overflows.
  static bool UnpackBits(std::string_view in, std::vector<std::uint8_t>& row) {
    std::size_t out = 0;
    std::size_t at = 0;
    while (out < row.size()) {
      if (at >= in.size()) return false;
      const int n = static_cast<std::int8_t>(in[at++]);
      if (n >= 0) {
        const std::size_t count = static_cast<std::size_t>(n) + 1;
        if (in.size() - at < count || row.size() - out < count) return false;
        std::memcpy(row.data() + out, in.data() + at, count);
        at += count;
        out += count;
      } else if (n != -128) {
        const std::size_t count = static_cast<std::size_t>(1 - n);
        if (at >= in.size() || row.size() - out < count) return false;
        std::memset(row.data() + out, static_cast<std::uint8_t>(in[at++]), count);
        out += count;
      }
    }
    return true;
  }

  const ByteReader& file_;
  const PsdHeader& header_;
  std::uint64_t at_;
};

// Skips a section that starts with its 32-bit length.
std::optional<std::uint64_t> SkipSection(const ByteReader& file, std::uint64_t at) {
  auto length = file.U32(at);
  if (!length) return std::nullopt;
  return at + 4 + *length;
}

// The colour profile among the image resources (ID 1039), when there is one.
std::string_view IccProfile(const ByteReader& file, std::uint64_t resources) {
  const std::uint64_t end = resources + 4 + file.U32(resources).value_or(0);
  for (std::uint64_t at = resources + 4; at + 12 <= end;) {
    // "8BIM", the ID, a Pascal name padded to an even length, the data's length.
    auto id = file.U16(at + 4), nameLength = file.U8(at + 6);
    if (file.Text(at, 4) != "8BIM" || !id || !nameLength) return {};
    const std::uint64_t sizeAt = at + 6 + ((*nameLength + 2) & ~1u);
    auto size = file.U32(sizeAt);
    if (!size || sizeAt + 4 + *size > end) return {};
    if (*id == 1039) return file.Text(sizeAt + 4, *size);
    at = sizeAt + 4 + ((*size + 1) & ~std::uint64_t{1});
  }
  return {};
}

std::uint32_t ColourPlanes(std::uint32_t mode) {
  return mode == kRgb ? 3 : (mode == kCmyk ? 4 : 1);
}

// CMYK planes, stored inverted (255 for no ink), through a profile a row at a time.
void ComposeCmyk(const PsdHeader& h, const std::vector<std::uint8_t>& planes,
                 std::string_view profile, std::uint8_t* out) {
  const std::size_t size = static_cast<std::size_t>(h.width) * h.height;
  const CmykToRgb toRgb(profile, true);
  std::vector<std::uint8_t> inks(4 * static_cast<std::size_t>(h.width));
  for (std::size_t row = 0; row < h.height; ++row, out += 4 * static_cast<std::size_t>(h.width)) {
    for (std::size_t x = 0; x < h.width; ++x) {
      for (int c = 0; c < 4; ++c) inks[4 * x + c] = planes[c * size + row * h.width + x];
    }
    toRgb.Convert(inks.data(), out, h.width);
  }
}

void Compose(const PsdHeader& h, const std::vector<std::uint8_t>& planes, bool alpha,
             std::string_view palette, std::uint8_t* out) {
  const std::size_t size = static_cast<std::size_t>(h.width) * h.height;
  const std::uint8_t* p = planes.data();
  const std::size_t alphaPlane = ColourPlanes(h.mode);
  for (std::size_t i = 0; i < size; ++i, out += 4) {
    switch (h.mode) {
      case kRgb:
        out[0] = p[i], out[1] = p[size + i], out[2] = p[2 * size + i];
        break;
      case kCmyk:  // ComposeCmyk's
        break;
      case kIndexed:
        for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(palette[c * 256 + p[i]]);
        break;
      default:
        out[0] = out[1] = out[2] = p[i];
    }
    out[3] = alpha ? p[alphaPlane * size + i] : 255;
  }
}

}  // namespace

Result<DecodedImage> DecodePsd(std::string_view bytes, const PixelSink& sink) {
  const ByteReader file{bytes, true};
  PsdHeader h;
  auto channels = file.U16(12), height = file.U32(14), width = file.U32(18);
  auto depth = file.U16(22), mode = file.U16(24);
  if (!channels || !height || !width || !depth || !mode) return Fail(std::string(kReadError));
  h = {*channels, *width, *height, *depth, *mode};
  const bool knownMode = h.mode == kGray || h.mode == kIndexed || h.mode == kRgb || h.mode == kCmyk;
  if (!knownMode || (h.depth != 8 && h.depth != 16) || h.width == 0 || h.height == 0 ||
      h.channels < ColourPlanes(h.mode) || h.width > 300'000 || h.height > 300'000) {
    return Fail(std::string(kBadValue));
  }
  const std::string_view palette = file.Text(30, 768);
  if (h.mode == kIndexed && palette.size() != 768) return Fail(std::string(kReadError));
  std::optional<std::uint64_t> at = SkipSection(file, 26);  // colour mode data
  const std::uint64_t resources = at.value_or(0);
  if (at) at = SkipSection(file, *at);  // image resources
  if (at) at = SkipSection(file, *at);  // layers and masks
  if (!at) return Fail(std::string(kReadError));
  // The first channel past the colours holds the merged image's transparency.
  const bool alpha = h.mode != kIndexed && h.channels > ColourPlanes(h.mode);
  const std::uint32_t planes = ColourPlanes(h.mode) + (alpha ? 1 : 0);
  std::vector<std::uint8_t> data;
  if (!PlaneReader(file, h, *at).Read(planes, data)) return Fail(std::string(kReadError));
  DecodedImage decoded{static_cast<int>(h.width), static_cast<int>(h.height), nullptr};
  decoded.pixels = sink(decoded.width, decoded.height);
  if (!decoded.pixels) return OutOfMemory();
  Compose(h, data, alpha, palette, decoded.pixels);
  if (h.mode == kCmyk) ComposeCmyk(h, data, IccProfile(file, resources), decoded.pixels);
  return decoded;
}

}  // namespace nvx
