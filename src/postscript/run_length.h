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

// The raw bytes back; an encoding cut short gives back what it held.
std::vector<std::uint8_t> RunLengthDecode(std::span<const std::uint8_t> encoded);

}  // namespace nvx
