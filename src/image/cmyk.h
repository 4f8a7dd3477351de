#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace nvx {

// CMYK pixels of a file (JPEG, TIFF, PSD) to the RGB the rest of the program
// takes in (sRGB), through the file's own profile when it holds a CMYK one,
// else Debian's default CMYK profile, with black-point compensation as image
// editors do. Without either profile each ink takes its share of the light.
class CmykToRgb {
 public:
  // `inverted`: the file stores 255 for no ink (Adobe's JPEG, Photoshop).
  CmykToRgb(std::string_view embeddedProfile, bool inverted);
  ~CmykToRgb();
  CmykToRgb(const CmykToRgb&) = delete;
  CmykToRgb& operator=(const CmykToRgb&) = delete;

  // `width` pixels of C, M, Y, K bytes into the R, G, B of 4-byte pixels;
  // the fourth byte, alpha, is left as it is.
  void Convert(const std::uint8_t* cmyk, std::uint8_t* rgba, std::size_t width) const;

 private:
  void* transform_ = nullptr;
  bool inverted_ = false;
};

// L*a*b* pixels of a file (TIFF) to sRGB through Little CMS's Lab profile,
// relative colorimetric: the white of the file's L*a*b* is the white of sRGB.
// Values relative to another white than D50 (the file's white point, x and
// y) are first adapted to D50 (Bradford), as colour management does.
class LabToRgb {
 public:
  LabToRgb(double whiteX, double whiteY);
  ~LabToRgb();
  LabToRgb(const LabToRgb&) = delete;
  LabToRgb& operator=(const LabToRgb&) = delete;

  // `width` pixels of L*, a*, b* numbers into the R, G, B of 4-byte pixels;
  // the fourth byte, alpha, is left as it is. The numbers are adapted in place.
  void Convert(double* lab, std::uint8_t* rgba, std::size_t width) const;

 private:
  void* transform_ = nullptr;
  double white_[3] = {};  // X, Y, Z of the file's white
  bool adapt_ = false;
};

}  // namespace nvx
