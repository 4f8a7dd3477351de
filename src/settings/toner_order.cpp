#include "settings/toner_order.h"

namespace nvx {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint8_t ParsePair(std::string_view pair) {
  int value = 0;
  for (char c : pair) {
    int digit = HexDigit(c);
    if (digit < 0) break;
    value = value * 16 + digit;
  }
  return static_cast<std::uint8_t>(value);
}

}  // namespace

std::string_view TonerOrderText(TonerOrder order) {
  return order == TonerOrder::WhiteFirst ? kWhiteFirstText : kWhiteLastText;
}

TonerOrder EffectiveTonerOrder(std::string_view modelKey, std::string_view storedOrder) {
  bool canSwitch = modelKey.find("8432") != std::string_view::npos;
  return canSwitch && storedOrder == kWhiteFirstText ? TonerOrder::WhiteFirst
                                                     : TonerOrder::WhiteLast;
}

ColourAdjustPoints ParseColourAdjustPoints(std::string_view hex) {
  ColourAdjustPoints points;
  for (std::size_t i = 0; i < points.values.size() && 2 * i < hex.size(); ++i) {
    points.values[i] = ParsePair(hex.substr(2 * i, 2));
  }
  return points;
}

std::optional<ColourAdjustPoints> ParseCompleteColourAdjustPoints(std::string_view hex) {
  const std::size_t first = hex.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  hex = hex.substr(first, hex.find_last_not_of(" \t") - first + 1);
  if (hex.size() != 2 * ColourAdjustPoints{}.values.size()) return std::nullopt;
  for (char c : hex) {
    if (HexDigit(c) < 0) return std::nullopt;
  }
  return ParseColourAdjustPoints(hex);
}

std::string FormatColourAdjustPoints(const ColourAdjustPoints& points) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t v : points.values) {
    text += kDigits[v >> 4];
    text += kDigits[v & 0x0F];
  }
  return text;
}

ColourAdjustPoints DefaultColourAdjustPoints(TonerOrder order) {
  return ParseColourAdjustPoints(order == TonerOrder::WhiteFirst ? kWhiteFirstPointsText
                                                                 : kWhiteLastPointsText);
}

}  // namespace nvx
