#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace nvx {

// Bytes of a file read by position; every read is checked against their
// length, so a truncated or hostile file gives "nothing there", never a stray read.
struct ByteReader {
  std::string_view data;
  bool bigEndian = true;

  std::optional<std::uint32_t> Read(std::uint64_t offset, int count) const {
    if (offset > data.size() || data.size() - offset < static_cast<std::uint64_t>(count)) {
      return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
      int index = bigEndian ? i : count - 1 - i;
      value = (value << 8) | static_cast<std::uint8_t>(data[offset + index]);
    }
    return value;
  }
  std::optional<std::uint32_t> U8(std::uint64_t offset) const { return Read(offset, 1); }
  std::optional<std::uint32_t> U16(std::uint64_t offset) const { return Read(offset, 2); }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const { return Read(offset, 4); }
  std::optional<std::uint64_t> U64(std::uint64_t offset) const {
    auto first = U32(offset);
    auto second = U32(offset + 4);
    if (!first || !second) return std::nullopt;
    return bigEndian ? (std::uint64_t{*first} << 32) | *second
                     : (std::uint64_t{*second} << 32) | *first;
  }

  // numerator / denominator of the rational at offset; a zero denominator gives 0.
  std::optional<double> Rational(std::uint64_t offset) const {
    auto numerator = U32(offset);
    auto denominator = U32(offset + 4);
    if (!numerator || !denominator) return std::nullopt;
    if (*denominator == 0) return 0.0;
    return static_cast<double>(*numerator) / *denominator;
  }

  // Up to `length` bytes at offset (fewer at the end, none past it).
  std::string_view Text(std::uint64_t offset, std::size_t length) const {
    return offset < data.size() ? data.substr(offset, length) : std::string_view();
  }
};

// Bytes read from the front, for decoders that pull their input in pieces.
struct ByteCursor {
  std::string_view data;
  std::size_t at = 0;

  // Copies up to `count` bytes to `out`; how many there were.
  std::size_t Take(void* out, std::size_t count) {
    const std::size_t n = std::min(count, data.size() - std::min(at, data.size()));
    std::memcpy(out, data.data() + at, n);
    at += n;
    return n;
  }
};

}  // namespace nvx
