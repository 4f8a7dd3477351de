#pragma once

#include <string>
#include <string_view>

namespace nvx {

// Numbers in settings, preset and dialog texts are read by their leading
// numeric part: "100%" is 100, "" and "abc" are 0, " 12.5mm" is 12.5.
double LeadingNumber(std::string_view text);
long long LeadingInteger(std::string_view text);  // the leading number, rounded half to even

// Rounding to nearest with ties to even, the rule for every real that becomes an integer.
long long RoundHalfEven(double value);

// The "#.##" family of display formats: rounded to at most `decimals` decimals,
// no trailing zeros or point, a point whatever the locale ("0.11", "12", "-3.5").
std::string FormatAtMostDecimals(double value, int decimals);

}  // namespace nvx
