#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "pattern/shape_record.h"

namespace nvx::test {

// A shape of one closed path through the points, black unless `fill` says white.
inline ShapeRecord PolygonShape(std::string name,
                                std::initializer_list<std::pair<float, float>> points,
                                std::int32_t fill = 0) {
  ShapeRecord shape;
  shape.name = std::move(name);
  shape.pathCount = 1;
  for (auto [x, y] : points) {
    shape.paths[0].points[shape.paths[0].pointCount++] = {x, y};
  }
  shape.pathFill[0] = fill;
  return shape;
}

// A unit square with a square hole in its middle (0.3 to 0.7).
inline ShapeRecord FrameShape(std::string name) {
  ShapeRecord shape = PolygonShape(std::move(name), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  shape.pathCount = 2;
  ShapePath& hole = shape.paths[1];
  hole.pointCount = 4;
  hole.points[0] = {0.3f, 0.3f}, hole.points[1] = {0.7f, 0.3f};
  hole.points[2] = {0.7f, 0.7f}, hole.points[3] = {0.3f, 0.7f};
  shape.pathFill[1] = kWhitePathFill;
  return shape;
}

}  // namespace nvx::test
