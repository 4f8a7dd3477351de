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

// Encodes bytes[at..size) into `out` as far as the bytes seen decide it: a
// repeat is only judged with its longest run in view, unless `atEnd` says no
// more bytes come. Copies of a full 128 bytes go out as soon as they are sure.
void EncodeSeen(const std::uint8_t* bytes, std::size_t size, bool atEnd, std::size_t& at,
                std::size_t& copyFrom, RasterBytes& out) {
  while (at < size && (atEnd || size - at >= kLongestRun)) {
    const std::size_t repeat = RepeatLength(bytes + at, bytes + size);
    if (repeat < kShortestRepeat) {
      at += repeat;
      if (at - copyFrom >= kLongestRun) {
        CopyLiterally(out, bytes + copyFrom, bytes + copyFrom + kLongestRun);
        copyFrom += kLongestRun;
      }
      continue;
    }
    CopyLiterally(out, bytes + copyFrom, bytes + at);
    out.push_back(static_cast<std::uint8_t>(257 - repeat));
    out.push_back(bytes[at]);
    at += repeat;
    copyFrom = at;
  }
  if (atEnd) {
    CopyLiterally(out, bytes + copyFrom, bytes + size);
    out.push_back(kEndOfData);
  }
}

}  // namespace

RasterBytes RunLengthEncode(std::span<const std::uint8_t> raw) {
  RasterBytes out;
  // The worst case is reserved once; pages of it never written are never touched.
  out.reserve(raw.size() + raw.size() / kLongestRun + 2);
  std::size_t at = 0;
  std::size_t copyFrom = 0;
  EncodeSeen(raw.data(), raw.size(), true, at, copyFrom, out);
  return out;
}

std::span<const std::uint8_t> RunLengthEncoder::Add(std::span<const std::uint8_t> raw) {
  pending_.insert(pending_.end(), raw.begin(), raw.end());
  Encode(false);
  return out_;
}

std::span<const std::uint8_t> RunLengthEncoder::Finish() {
  Encode(true);
  return out_;
}

void RunLengthEncoder::Encode(bool atEnd) {
  out_.clear();
  EncodeSeen(pending_.data(), pending_.size(), atEnd, at_, copyFrom_, out_);
  // Only the bytes still to be copied or judged stay: at most a run's length of each.
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(copyFrom_));
  at_ -= copyFrom_;
  copyFrom_ = 0;
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
