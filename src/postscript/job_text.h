#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace nvx {

// The job text is plain bytes; every line ends in CR LF unless a writer says
// otherwise, because the printer's job parser and the DSC tools expect it.
inline constexpr std::string_view kLineEnd = "\r\n";

inline void Line(std::string& out, std::string_view text = {}) {
  out.append(text);
  out.append(kLineEnd);
}

inline void Lines(std::string& out, std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) Line(out, text);
}

// "featurebegin{", the BeginFeature comment, an empty line, the body,
// "%%EndFeature", "}featurecleanup": the usual wrapper of a printer feature.
inline void FeatureBlock(std::string& out, std::string_view keywordAndOption,
                         std::initializer_list<std::string_view> body) {
  Line(out, "featurebegin{");
  out.append("%%BeginFeature: *").append(keywordAndOption).append(kLineEnd);
  Line(out);
  Lines(out, body);
  Lines(out, {"%%EndFeature", "}featurecleanup"});
}

}  // namespace nvx
