#include "image/cmyk.h"

#include <lcms2.h>

#include <cmath>

namespace nvx {
namespace {

// Debian's Ghostscript profile for CMYK without one of its own (SWOP-like).
constexpr const char* kDefaultCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;

Profile CmykProfile(std::string_view embedded) {
  Profile cmyk(nullptr, cmsCloseProfile);
  if (!embedded.empty()) {
    cmyk.reset(
        cmsOpenProfileFromMem(embedded.data(), static_cast<cmsUInt32Number>(embedded.size())));
  }
  if (!cmyk || cmsGetColorSpace(cmyk.get()) != cmsSigCmykData) {
    cmyk.reset(cmsOpenProfileFromFile(kDefaultCmykProfile, "r"));
  }
  return cmyk;
}

}  // namespace

CmykToRgb::CmykToRgb(std::string_view embeddedProfile, bool inverted) : inverted_(inverted) {
  Profile cmyk = CmykProfile(embeddedProfile);
  Profile srgb(cmsCreate_sRGBProfile(), cmsCloseProfile);
  if (!cmyk || !srgb) return;
  // The output's fourth byte is not written: alpha stays the file's.
  transform_ = cmsCreateTransform(cmyk.get(), inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, srgb.get(),
                                  TYPE_RGBA_8, INTENT_RELATIVE_COLORIMETRIC,
                                  cmsFLAGS_BLACKPOINTCOMPENSATION);
}

CmykToRgb::~CmykToRgb() {
  if (transform_) cmsDeleteTransform(transform_);
}

void CmykToRgb::Convert(const std::uint8_t* cmyk, std::uint8_t* rgba, std::size_t width) const {
  if (transform_) {
    cmsDoTransform(transform_, cmyk, rgba, static_cast<cmsUInt32Number>(width));
    return;
  }
  for (std::size_t x = 0; x < width; ++x, cmyk += 4, rgba += 4) {
    const unsigned k = inverted_ ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned light = inverted_ ? cmyk[c] : 255 - cmyk[c];
      rgba[c] = static_cast<std::uint8_t>(light * k / 255);
    }
  }
}

LabToRgb::LabToRgb(double whiteX, double whiteY) {
  const cmsCIExyY xyY{whiteX, whiteY, 1.0};
  cmsCIEXYZ white;
  cmsxyY2XYZ(&white, &xyY);
  const cmsCIEXYZ* d50 = cmsD50_XYZ();
  adapt_ = whiteY > 0 && (std::abs(white.X - d50->X) > 1e-3 || std::abs(white.Z - d50->Z) > 1e-3);
  white_[0] = white.X, white_[1] = white.Y, white_[2] = white.Z;
  Profile lab(cmsCreateLab4Profile(nullptr), cmsCloseProfile);
  Profile srgb(cmsCreate_sRGBProfile(), cmsCloseProfile);
  if (!lab || !srgb) return;
  transform_ = cmsCreateTransform(lab.get(), TYPE_Lab_DBL, srgb.get(), TYPE_RGBA_8,
                                  INTENT_RELATIVE_COLORIMETRIC, 0);
}

LabToRgb::~LabToRgb() {
  if (transform_) cmsDeleteTransform(transform_);
}

void LabToRgb::Convert(double* lab, std::uint8_t* rgba, std::size_t width) const {
  if (!transform_) return;
  if (adapt_) {
    const cmsCIEXYZ white{white_[0], white_[1], white_[2]};
    for (std::size_t x = 0; x < width; ++x) {
      double* v = lab + 3 * x;
      const cmsCIELab own{v[0], v[1], v[2]};
      cmsCIEXYZ xyz, adapted;
      cmsLab2XYZ(&white, &xyz, &own);
      cmsAdaptToIlluminant(&adapted, &white, cmsD50_XYZ(), &xyz);
      cmsCIELab d50;
      cmsXYZ2Lab(cmsD50_XYZ(), &d50, &adapted);
      v[0] = d50.L, v[1] = d50.a, v[2] = d50.b;
    }
  }
  cmsDoTransform(transform_, lab, rgba, static_cast<cmsUInt32Number>(width));
}

}  // namespace nvx
