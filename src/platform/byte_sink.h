#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace nvx::platform {

// Takes the next bytes of a document; false when they could not be written
// (the writer then stops).
using ByteSink = std::function<bool(std::string_view)>;

// One piece of a document that writes its bytes as it makes them, so a piece
// larger than the memory it needs is never held whole. Returns false as soon
// as the sink refuses bytes, or when it has no memory to make them. A piece
// may be asked to write itself again (a file written a second time under
// another name).
using PieceWriter = std::function<bool(const ByteSink&)>;

// Bytes already in memory as a piece; they must outlast it.
inline PieceWriter BytesPiece(std::string_view bytes) {
  return [bytes](const ByteSink& sink) { return bytes.empty() || sink(bytes); };
}

inline std::vector<PieceWriter> PieceWriters(std::span<const std::string_view> pieces) {
  std::vector<PieceWriter> writers;
  writers.reserve(pieces.size());
  for (std::string_view piece : pieces) writers.push_back(BytesPiece(piece));
  return writers;
}

}  // namespace nvx::platform
