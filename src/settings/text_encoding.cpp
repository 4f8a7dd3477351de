#include "settings/text_encoding.h"

#include <array>

namespace nvx {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the C1 controls, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string DecodeUtf16Le(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return Utf16ToUtf8(units);
}

std::string DecodeCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
  }
  return out;
}

char ToCp1252(char32_t cp, bool& lossless) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
  }
  lossless = false;
  return '?';
}

std::string EncodeCp1252(std::string_view utf8, bool& lossless) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp = kReplacement;
    std::size_t len = DecodeUtf8At(utf8, pos, cp);
    out += ToCp1252(len ? cp : kReplacement, lossless);
    pos += len ? len : 1;
  }
  return out;
}

std::string EncodeUtf16Le(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  for (char16_t unit : Utf8ToUtf16(utf8)) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

}  // namespace

std::size_t DecodeUtf8At(std::string_view s, std::size_t pos, char32_t& cp) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(pos);
  std::size_t len = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
  if (len == 0 || pos + len > s.size()) return 0;
  if (len == 1) {
    cp = lead;
    return 1;
  }
  cp = lead & (0x7F >> len);
  for (std::size_t i = 1; i < len; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  constexpr std::array<char32_t, 5> kMinimum = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp = 0;
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t len = DecodeUtf8At(bytes, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

DecodedText DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return {DecodeUtf16Le(bytes.substr(2)), TextEncoding::Utf16Le};
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    std::string_view body = bytes.substr(3);
    // A mark followed by broken text still reads; the broken bytes become U+FFFD.
    return {Utf16ToUtf8(Utf8ToUtf16(body)), TextEncoding::Utf8Bom};
  }
  if (IsValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8};
  return {DecodeCp1252(bytes), TextEncoding::Windows1252};
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding, bool* lossless) {
  bool ok = true;
  std::string out;
  switch (encoding) {
    case TextEncoding::Utf8:
      out = utf8;
      break;
    case TextEncoding::Utf8Bom:
      out = "\xEF\xBB\xBF" + std::string(utf8);
      break;
    case TextEncoding::Utf16Le:
      out = EncodeUtf16Le(utf8);
      break;
    case TextEncoding::Windows1252:
      out = EncodeCp1252(utf8, ok);
      break;
  }
  if (lossless) *lossless = ok;
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp = kReplacement;
    std::size_t len = DecodeUtf8At(utf8, pos, cp);
    if (len == 0) cp = kReplacement;
    pos += len ? len : 1;
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t unit = utf16[i];
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, high || low ? kReplacement : unit);
    }
  }
  return out;
}

std::string_view FirstCharacters(std::string_view utf8, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < utf8.size(); ++n) {
    char32_t cp = 0;
    std::size_t len = DecodeUtf8At(utf8, pos, cp);
    pos += len ? len : 1;
  }
  return utf8.substr(0, pos);
}

}  // namespace nvx
