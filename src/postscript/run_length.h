#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/working_image.h"

namespace nvx {

// The bytes as RunLengthDecode reads them: a length byte 0 to 127 copies the
// next 1 to 128 bytes, 129 to 255 repeats the next byte 128 to 2 times, and
// 128 ends the data (written last).
RasterBytes RunLengthEncode(std::span<const std::uint8_t> raw);

// The same encoding for bytes that arrive in pieces (a raster made row by
// row): the output is the same as for the bytes encoded at once. Add returns
// the encoded bytes that are final so far, Finish the rest and the end byte;
// each view lasts until the next call.
class RunLengthEncoder {
 public:
  std::span<const std::uint8_t> Add(std::span<const std::uint8_t> raw);
  std::span<const std::uint8_t> Finish();

 private:
  // Encodes the pending bytes as far as they decide; with `atEnd` they are all there is.
  void Encode(bool atEnd);

  std::vector<std::uint8_t> pending_;  // bytes read but not yet encoded
  std::size_t copyFrom_ = 0;           // the start of the bytes to copy literally
  std::size_t at_ = 0;
  RasterBytes out_;
};

// The raw bytes back; an encoding cut short gives back what it held.
std::vector<std::uint8_t> RunLengthDecode(std::span<const std::uint8_t> encoded);

}  // namespace nvx
