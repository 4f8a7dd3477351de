#include "postscript/run_length.h"

#include <algorithm>

namespace nvx {
namespace {

constexpr std::size_t kLongestRun = 128;
constexpr std::uint8_t kEndOfData = 128;
// Shorter repeats cost as much as copying them and would split the copy.
constexpr std::size_t kShortestRepeat = 3;

std::size_t RepeatLength(const std::uint8_t* at, const std::uint8_t* end) {
  const std::uint8_t* last = at + std::min<std::size_t>(kLongestRun, end - at);
  const std::uint8_t* stop =
      std::find_if(at + 1, last, [v = *at](std::uint8_t b) { return b != v; });
  return static_cast<std::size_t>(stop - at);
}

// Bytes without repeats go as copies of at most 128 bytes each.
void CopyLiterally(RasterBytes& out, const std::uint8_t* from, const std::uint8_t* to) {
  while (from < to) {
    const std::size_t count = std::min<std::size_t>(kLongestRun, to - from);
    out.push_back(static_cast<std::uint8_t>(count - 1));
    out.insert(out.end(), from, from + count);
    from += count;
  }
}

}  // namespace

RasterBytes RunLengthEncode(std::span<const std::uint8_t> raw) {
  RasterBytes out;
  // The worst case is reserved once; pages of it never written are never touched.
  out.reserve(raw.size() + raw.size() / kLongestRun + 2);
  const std::uint8_t* at = raw.data();
  const std::uint8_t* const end = at + raw.size();
  const std::uint8_t* copyFrom = at;
  while (at < end) {
    const std::size_t repeat = RepeatLength(at, end);
    if (repeat < kShortestRepeat) {
      at += repeat;
      continue;
    }
    CopyLiterally(out, copyFrom, at);
    out.push_back(static_cast<std::uint8_t>(257 - repeat));
    out.push_back(*at);
    at += repeat;
    copyFrom = at;
  }
  CopyLiterally(out, copyFrom, end);
  out.push_back(kEndOfData);
  return out;
}

std::vector<std::uint8_t> RunLengthDecode(std::span<const std::uint8_t> encoded) {
  std::vector<std::uint8_t> out;
  std::size_t at = 0;
  while (at < encoded.size() && encoded[at] != kEndOfData) {
    const std::uint8_t length = encoded[at++];
    if (length < kEndOfData) {
      const std::size_t count = std::min<std::size_t>(length + 1u, encoded.size() - at);
      out.insert(out.end(), encoded.begin() + at, encoded.begin() + at + count);
      at += count;
    } else if (at < encoded.size()) {
      out.insert(out.end(), 257u - length, encoded[at++]);
    }
  }
  return out;
}

}  // namespace nvx
