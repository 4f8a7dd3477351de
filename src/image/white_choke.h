#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "settings/toner_order.h"

namespace nvx {

// The white choke pulls the white plane in from every edge where white stops
// (the image's edge included), so white cannot peek out beside the colours.
inline constexpr double kMaxWhiteChokeMm = 2;

// The choke distance in print pixels for an image printed `printWidthPt` wide
// from `workWidthPx` pixels; 0 for no choke.
int WhiteChokeRadiusPx(double chokeMm, int workWidthPx, float printWidthPt);

// Erodes the white plane of separated planes (five plane rows of `width`
// bytes per image row, in the station order of `order`) with a disc of
// `radiusPx`: a pixel keeps its white only when every pixel within the radius
// has white, so the white left keeps its densities. threads: 0 = all cores.
// The plane is worked through in bands of `bandRows` rows; besides the plane
// it takes memory for a band and the radius above and below it.
inline constexpr int kChokeBandRows = 256;
void ChokeWhitePlane(std::span<std::uint8_t> planes, int width, int height, TonerOrder order,
                     int radiusPx, int threads = 0, int bandRows = kChokeBandRows);

// The same over a single plane of `width` x `height` bytes (the preview's white).
void ChokePlane(std::span<std::uint8_t> plane, std::size_t stride, int width, int height,
                int radiusPx, int threads = 0, int bandRows = kChokeBandRows);

class BandedChoke;

// The same choke for planes made a band of `bandRows` rows at a time, top
// first, and let go once choked: the white comes out as ChokeWhitePlane would
// leave it.
class StreamedWhiteChoke {
 public:
  StreamedWhiteChoke(int width, int height, TonerOrder order, int radiusPx, int bandRows,
                     int threads = 0);
  ~StreamedWhiteChoke();
  StreamedWhiteChoke(const StreamedWhiteChoke&) = delete;
  StreamedWhiteChoke& operator=(const StreamedWhiteChoke&) = delete;

  // How many rows below a band its choke reads; 0 for no choke.
  int Reach() const { return reach_; }
  // `planes` starts at row `first` and holds the separated rows from there to
  // first + bandRows + Reach() (or the last row): chokes the band's own rows.
  void ChokeBand(std::span<std::uint8_t> planes, int first);

 private:
  std::unique_ptr<BandedChoke> choke_;
  std::size_t whiteOffset_ = 0;
  int reach_ = 0;
};

}  // namespace nvx
