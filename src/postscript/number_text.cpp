#include "postscript/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace nvx {
namespace {

std::string SignPrefix(bool negative) { return negative ? "-" : " "; }

// Places the decimal point in `digits` (no leading or trailing zeros) whose
// first digit stands for 10^exponent.
std::string PlainDecimal(std::string digits, int exponent) {
  if (exponent < 0) return "0." + std::string(-exponent - 1, '0') + digits;
  const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) return digits + std::string(whole - digits.size(), '0');
  return digits.substr(0, whole) + "." + digits.substr(whole);
}

}  // namespace

std::string BlankSignedInteger(long long value) {
  if (value < 0) return "-" + std::to_string(-static_cast<unsigned long long>(value));
  return " " + std::to_string(value);
}

std::string BlankSignedNumber(double value, int significantDigits) {
  if (!std::isfinite(value) || value == 0) return " 0";
  char buffer[64];
  // "%.*e" rounds to the wanted number of digits: d.ddddde+XX.
  std::snprintf(buffer, sizeof buffer, "%.*e", significantDigits - 1, std::fabs(value));
  std::string_view text(buffer);
  const std::size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  digits.erase(digits.find_last_not_of('0') + 1);
  const int exponent = std::atoi(buffer + e + 1);
  return SignPrefix(value < 0) + PlainDecimal(digits, exponent);
}

std::string FixedDecimals(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string FormatCreationDate(const std::tm& time) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d %02d:%02d:%02d", time.tm_mon + 1,
                time.tm_mday, time.tm_year + 1900, time.tm_hour, time.tm_min, time.tm_sec);
  return buffer;
}

std::string CreationDateNow() {
  std::tm parts{};
  const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
  long long epoch = 0;
  if (fixed != nullptr && *fixed != '\0') {
    const char* end = fixed + std::char_traits<char>::length(fixed);
    auto [rest, error] = std::from_chars(fixed, end, epoch);
    if (error == std::errc() && rest == end) {
      const std::time_t when = static_cast<std::time_t>(epoch);
      gmtime_r(&when, &parts);
      return FormatCreationDate(parts);
    }
  }
  const std::time_t now = std::time(nullptr);
  localtime_r(&now, &parts);
  return FormatCreationDate(parts);
}

}  // namespace nvx
