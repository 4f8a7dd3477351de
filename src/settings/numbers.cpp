#include "settings/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace nvx {
namespace {

std::size_t SkipDigits(std::string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
  return pos;
}

// The length of the decimal number at the start of `text` (sign, digits, point,
// exponent), or 0 when there is none. Hex, "inf" and "nan" are not numbers here.
std::size_t NumberLength(std::string_view text) {
  std::size_t pos = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  std::size_t intEnd = SkipDigits(text, pos);
  std::size_t end = intEnd;
  bool digits = intEnd > pos;
  if (end < text.size() && text[end] == '.') {
    std::size_t fracEnd = SkipDigits(text, end + 1);
    digits = digits || fracEnd > end + 1;
    end = fracEnd;
  }
  if (!digits) return 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t expPos = end + 1;
    if (expPos < text.size() && (text[expPos] == '+' || text[expPos] == '-')) ++expPos;
    std::size_t expEnd = SkipDigits(text, expPos);
    if (expEnd > expPos) end = expEnd;
  }
  return end;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t\r\n\v\f");
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);
  std::size_t length = NumberLength(text);
  if (length == 0) return 0;
  bool negative = text[0] == '-';
  std::size_t skip = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  double value = 0;
  // from_chars ignores the locale, which a GUI toolkit may have set to a decimal comma.
  auto result = std::from_chars(text.data() + skip, text.data() + length, value);
  if (result.ec != std::errc()) return 0;
  return negative ? -value : value;
}

long long LeadingInteger(std::string_view text) { return RoundHalfEven(LeadingNumber(text)); }

long long RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.2e18;
  if (value >= kLimit) return std::numeric_limits<long long>::max();
  if (value <= -kLimit) return std::numeric_limits<long long>::min();
  double floor = std::floor(value);
  double fraction = value - floor;
  auto result = static_cast<long long>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
  return result;
}

std::string FormatAtMostDecimals(double value, int decimals) {
  char buffer[512];
  // to_chars ignores the locale: the point stays a point under a decimal-comma locale.
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  if (text.find('.') != std::string_view::npos) {
    text = text.substr(0, text.find_last_not_of('0') + 1);
    if (text.ends_with('.')) text.remove_suffix(1);
  }
  return text == "-0" ? "0" : std::string(text);
}

}  // namespace nvx
