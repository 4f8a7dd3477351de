#pragma once

#include <string_view>

namespace nvx {

// The program's names, each spelled once: the title the window, its messages
// and each job's title carry; the short name of its older messages and blank
// jobs; the folder and settings-file stem; and the command's own name.
inline constexpr std::string_view kProductTitle = "Nivalux Pro";
inline constexpr std::string_view kProductShortTitle = "Nivalux";
inline constexpr std::string_view kProductFolderName = "NivaluxPro";
inline constexpr std::string_view kCommandName = "nvxprint";

// The colour profiles a first run stores: the image's (sRGB) and the printer's.
inline constexpr std::string_view kDefaultProfileIn = "sRGB.icm";
inline constexpr std::string_view kDefaultProfileOut = "OKC711P2.ICM";

// The lines of the out-of-memory message after its number ("1", "2").
inline constexpr std::string_view kOutOfMemoryLines =
    " Unable to allocate memory.\r\nPlease Reduce resolution of the image\r\nNivalux Pro will "
    "close";

}  // namespace nvx
