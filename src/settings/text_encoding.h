#pragma once

#include <string>
#include <string_view>

namespace nvx {

// How a text file that Windows wrote is stored on disk. In memory every text is UTF-8.
enum class TextEncoding { Utf8, Utf8Bom, Utf16Le, Windows1252 };

struct DecodedText {
  std::string text;  // UTF-8
  TextEncoding encoding = TextEncoding::Utf8;
};

// Detects the encoding by the byte-order mark, then by UTF-8 validity; bytes that
// are not valid UTF-8 are single-byte text of the Windows-1252 code page.
DecodedText DecodeText(std::string_view bytes);

// Encodes UTF-8 text in `encoding`, with the byte-order mark where the encoding has
// one. Returns false in `lossless` when Windows-1252 cannot hold a character ('?' stands).
std::string EncodeText(std::string_view utf8, TextEncoding encoding, bool* lossless = nullptr);

bool IsValidUtf8(std::string_view bytes);

// Decodes the UTF-8 character at `pos` into `cp`; returns its length, or 0
// when none starts there (a stray or missing continuation byte, an overlong
// form, a surrogate, a code point beyond U+10FFFF).
std::size_t DecodeUtf8At(std::string_view s, std::size_t pos, char32_t& cp);
void AppendUtf8(std::string& out, char32_t cp);

// UTF-16LE without mark. Unpaired surrogates and bad UTF-8 become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The first `count` characters (code points) of a UTF-8 text.
std::string_view FirstCharacters(std::string_view utf8, std::size_t count);

}  // namespace nvx
