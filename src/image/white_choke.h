#pragma once

#include <cstdint>
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
void ChokeWhitePlane(std::span<std::uint8_t> planes, int width, int height, TonerOrder order,
                     int radiusPx, int threads = 0);

// The same over a single plane of `width` x `height` bytes (the preview's white).
void ChokePlane(std::span<std::uint8_t> plane, std::size_t stride, int width, int height,
                int radiusPx, int threads = 0);

}  // namespace nvx
