#include "lang/entry_codec.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "settings/text_encoding.h"

namespace nvx {
namespace {

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::uint32_t Base64Value(char c) {
  std::size_t at = kBase64Alphabet.find(c);
  return at == std::string_view::npos ? 0 : static_cast<std::uint32_t>(at);
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      std::uint8_t b = k < n ? static_cast<std::uint8_t>(bytes[i + k]) : 0;
      group = group << 8 | b;
    }
    for (std::size_t k = 0; k < 4; ++k) {
      out += k <= n ? kBase64Alphabet[group >> (18 - 6 * k) & 0x3F] : '=';
    }
  }
  return out;
}

// Every group of four characters gives three bytes; NUL bytes at the end are
// filler and go.
std::string Base64Decode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      group = group << 6 | (i + k < text.size() ? Base64Value(text[i + k]) : 0);
    }
    bytes += static_cast<char>(group >> 16 & 0xFF);
    bytes += static_cast<char>(group >> 8 & 0xFF);
    bytes += static_cast<char>(group & 0xFF);
  }
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

// Byte pairs, low byte first; an odd last byte is a unit whose high byte was
// NUL filler. U+0000 never belongs to a text and goes.
std::u16string Utf16LeUnits(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    auto low = static_cast<std::uint8_t>(bytes[i]);
    auto high = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
    if (char16_t unit = static_cast<char16_t>(high << 8 | low); unit != 0) units += unit;
  }
  return units;
}

std::string Utf16LeBytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The leading decimal number of `text` after blanks, saturating; empty for a
// negative number.
std::optional<std::size_t> LeadingIndex(std::string_view text) {
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) return 0;
  if (text[pos] == '-') return std::nullopt;
  if (text[pos] == '+') ++pos;
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  std::size_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    std::size_t digit = static_cast<std::size_t>(text[pos] - '0');
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return value;
}

}  // namespace

std::string EncodeEntry(const LanguageEntry& entry) {
  std::string plain = std::to_string(entry.index) + "N" + entry.text;
  if (plain.back() == '*') plain = "*" + plain + "*";
  return Base64Encode(Utf16LeBytes(Utf8ToUtf16(plain)));
}

std::optional<LanguageEntry> DecodeEntry(std::string_view line) {
  std::string text = Utf16ToUtf8(Utf16LeUnits(Base64Decode(line)));
  // A language file may wrap an entry in asterisks; one at each end is not text.
  if (!text.empty() && text.front() == '*') text.erase(0, 1);
  if (!text.empty() && text.back() == '*') text.pop_back();

  std::size_t n = text.find('N');
  if (n == std::string::npos) return std::nullopt;
  std::optional<std::size_t> index = LeadingIndex(std::string_view(text).substr(0, n));
  if (!index) return std::nullopt;
  return LanguageEntry{*index, text.substr(n + 1)};
}

}  // namespace nvx
