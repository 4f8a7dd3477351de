#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nvx {

// Which print unit holds the white toner: last ("WL", the normal order) or first ("WF").
enum class TonerOrder { WhiteLast, WhiteFirst };

inline constexpr std::string_view kWhiteLastText = "WL";
inline constexpr std::string_view kWhiteFirstText = "WF";

std::string_view TonerOrderText(TonerOrder order);

// Only models whose key contains "8432" can switch; the others run white-last
// whatever the settings file holds.
TonerOrder EffectiveTonerOrder(std::string_view modelKey, std::string_view storedOrder);

// The colour-adjust curves: for cyan, magenta and yellow four points (x, y) each,
// stored in the settings file as 48 hexadecimal digits.
struct ColourAdjustPoints {
  std::array<std::uint8_t, 24> values{};

  bool operator==(const ColourAdjustPoints&) const = default;
};

// Each pair of digits is read as a hexadecimal number (its leading hex digits;
// none gives 0); values past the end of a short text are 0.
ColourAdjustPoints ParseColourAdjustPoints(std::string_view hex);
// Only a complete set: exactly 48 hexadecimal digits (outer blanks ignored).
std::optional<ColourAdjustPoints> ParseCompleteColourAdjustPoints(std::string_view hex);
std::string FormatColourAdjustPoints(const ColourAdjustPoints& points);  // 48 upper-case digits
ColourAdjustPoints DefaultColourAdjustPoints(TonerOrder order);

inline constexpr std::string_view kWhiteLastPointsText =
    "FFFDA5A557560000FFFDA5A557560000FFFDA5A557560000";
inline constexpr std::string_view kWhiteFirstPointsText =
    "FFFDFAB584610000FFFDABCD66750000FFFDA2F7607D0000";

}  // namespace nvx
