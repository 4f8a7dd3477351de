#pragma once

#include <string_view>

namespace nvx::platform {

// The byte that closes every document the printer's input channel receives:
// print jobs, blank pages and the PJL mode commands alike.
inline constexpr char kEndOfJob = 0x04;
inline constexpr std::string_view kEndOfJobPiece{&kEndOfJob, 1};

}  // namespace nvx::platform
