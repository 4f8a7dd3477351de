#pragma once

#include <ctime>
#include <string>

namespace nvx {

// Blank-signed number text: one blank before a value that is not negative,
// "-" before a negative one, then the shortest plain decimal (" 57", "-3").
std::string BlankSignedInteger(long long value);

// The same for reals, rounded to at most `significantDigits` significant
// digits, never in exponent form (" 595.28", " 72").
std::string BlankSignedNumber(double value, int significantDigits = 7);

// A real with exactly `decimals` digits after the point ("829.0000").
std::string FixedDecimals(double value, int decimals);

// "MM-DD-YYYY HH:MM:SS", as the job's creation-date comment carries it.
std::string FormatCreationDate(const std::tm& time);

// The local clock, or SOURCE_DATE_EPOCH (taken as UTC) when that is set, so
// that a job can be rebuilt byte for byte.
std::string CreationDateNow();

}  // namespace nvx
