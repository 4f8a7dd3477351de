#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Small text helpers shared by every library. Letter case is folded for ASCII
// only: the keys, names and file names the program compares are ASCII, and a
// user's non-ASCII text must come back byte for byte.
namespace nvx {

char AsciiLower(char c);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

// True when `needle` occurs in `text` (an empty needle occurs everywhere).
bool Contains(std::string_view text, std::string_view needle);
bool ContainsIgnoreCase(std::string_view text, std::string_view needle);

// Blanks, tabs, line ends and form feeds removed at both ends.
std::string_view Trim(std::string_view text);

// The whole text as a decimal whole number (an optional sign, digits, nothing
// else, outer blanks allowed); nullopt when it is not one or does not fit.
std::optional<long long> ParseWholeNumber(std::string_view text);

// The file's bytes; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

}  // namespace nvx
