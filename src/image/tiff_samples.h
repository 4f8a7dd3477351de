#pragma once

#include <tiff.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

// Reading TIFF samples of any width and kind as libtiff hands them over.
namespace nvx {

// A 16-bit (half precision) floating-point number.
inline float HalfToFloat(std::uint16_t half) {
  const int exponent = (half >> 10) & 0x1F;
  const int mantissa = half & 0x3FF;
  float value = exponent == 0    ? std::ldexp(static_cast<float>(mantissa), -24)
                : exponent == 31 ? (mantissa ? NAN : INFINITY)
                                 : std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
  return (half & 0x8000) ? -value : value;
}

// The samples of a row as libtiff gives them: whole bytes in this machine's
// order, or packed high bit first when a sample is not whole bytes.
class SampleReader {
 public:
  // `format`: SAMPLEFORMAT_UINT, _INT, _IEEEFP or _VOID (read as unsigned).
  SampleReader(int bits, int format)
      : bits_(bits),
        format_(format),
        fast_((format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID) &&
              (bits == 8 || bits == 16)) {}

  // The code of sample i, its bits as stored.
  std::uint64_t Code(const std::uint8_t* row, std::size_t i) const {
    std::uint64_t code = 0;
    if (bits_ % 8 == 0) {
      std::memcpy(&code, row + i * (bits_ / 8), bits_ / 8);
      return code;
    }
    for (std::uint64_t bit = i * bits_, end = bit + bits_; bit < end; ++bit) {
      code = (code << 1) | ((row[bit / 8] >> (7 - bit % 8)) & 1u);
    }
    return code;
  }

  // An integer code as signed.
  std::int64_t Signed(std::uint64_t code) const {
    const std::uint64_t sign = std::uint64_t{1} << (bits_ - 1);
    return static_cast<std::int64_t>(code ^ sign) - static_cast<std::int64_t>(sign);
  }

  // Sample i as a number: the integer (signed where the file says so), or the
  // floating-point value.
  double Value(const std::uint8_t* row, std::size_t i) const {
    const std::uint64_t code = Code(row, i);
    if (format_ == SAMPLEFORMAT_IEEEFP) {
      if (bits_ == 16) return HalfToFloat(static_cast<std::uint16_t>(code));
      if (bits_ == 32) return std::bit_cast<float>(static_cast<std::uint32_t>(code));
      return std::bit_cast<double>(code);
    }
    if (format_ == SAMPLEFORMAT_INT) return static_cast<double>(Signed(code));
    return static_cast<double>(code);
  }

  // Sample i scaled to 0-255: integers from zero to their largest value (a
  // negative one is 0), floating-point numbers from 0 to 1.
  std::uint8_t Byte(const std::uint8_t* row, std::size_t i) const {
    if (fast_ && bits_ == 8) return row[i];
    if (fast_) {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * i, 2);
      return static_cast<std::uint8_t>((v + 128u) / 257u);  // 16 bits to 8, rounded
    }
    const double full = format_ == SAMPLEFORMAT_IEEEFP ? 1.0
                        : format_ == SAMPLEFORMAT_INT  ? std::ldexp(1.0, bits_ - 1) - 1
                                                       : std::ldexp(1.0, bits_) - 1;
    const double unit = Value(row, i) / full;
    return static_cast<std::uint8_t>(std::lround(255 * (unit > 0 ? std::min(unit, 1.0) : 0.0)));
  }

  // Sample i of an L*a*b* pixel (channel 0 L*, 1 a*, 2 b*) in L*a*b* units.
  // CIELab stores L* from 0 to the largest code and a*, b* signed; ICCLab
  // stores a*, b* offset by half the range, and a 16-bit L* up to 0xFF00 (the
  // ICC's version 2 encoding). Floating-point samples are the values.
  double Lab(const std::uint8_t* row, std::size_t i, int channel, bool icc) const {
    if (format_ == SAMPLEFORMAT_IEEEFP) return Value(row, i);
    const std::uint64_t code = Code(row, i);
    const double step = std::ldexp(1.0, bits_ - 8);  // codes per unit of a* and b*
    if (channel == 0) {
      const double full = icc && bits_ == 16 ? 0xFF00 : std::ldexp(1.0, bits_) - 1;
      return std::min(100.0, 100.0 * static_cast<double>(code) / full);
    }
    return icc ? static_cast<double>(code) / step - 128 : static_cast<double>(Signed(code)) / step;
  }

 private:
  int bits_;
  int format_;
  bool fast_;
};

// Copies `count` bits from bit `from` of `source` to bit `to` of `target`,
// high bit first; whole bytes at once when both lie on byte boundaries.
inline void CopyBits(const std::uint8_t* source, std::uint64_t from, std::uint8_t* target,
                     std::uint64_t to, std::uint64_t count) {
  if (from % 8 == 0 && to % 8 == 0 && count % 8 == 0) {
    std::memcpy(target + to / 8, source + from / 8, count / 8);
    return;
  }
  for (std::uint64_t i = 0; i < count; ++i, ++from, ++to) {
    const unsigned bit = (source[from / 8] >> (7 - from % 8)) & 1u;
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (to % 8));
    target[to / 8] =
        static_cast<std::uint8_t>(bit ? target[to / 8] | mask : target[to / 8] & ~mask);
  }
}

}  // namespace nvx
