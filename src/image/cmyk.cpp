#include "image/cmyk.h"

#include <lcms2.h>

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

}  // namespace nvx
