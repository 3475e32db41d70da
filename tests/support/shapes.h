// Outlines with known orthogonal grids, shared by the tests of orthogonal
// grids.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

namespace kestrel::testing {

using Outline = std::vector<std::pair<double, double>>;

// An annulus sector between the radii r0 < r1 over `degrees` from the +x
// axis, counter-clockwise: side 1 runs out along the x axis in `radial`
// pieces, side 2 along the outer arc in `arc` pieces, side 3 back in along
// the far radius, side 4 along the inner arc. Its conformal map is the
// logarithm: xi = ln(r / r0) / ln(r1 / r0), eta = angle / sweep.
inline Outline SectorOutline(double r0, double r1, double degrees, int radial, int arc) {
  const double sweep = degrees * std::acos(-1.0) / 180;
  Outline points;
  for (int k = 0; k < radial; ++k) points.emplace_back(r0 + (r1 - r0) * k / radial, 0);
  for (int k = 0; k < arc; ++k) {
    const double a = sweep * k / arc;
    points.emplace_back(r1 * std::cos(a), r1 * std::sin(a));
  }
  for (int k = 0; k < radial; ++k) {
    const double r = r1 - (r1 - r0) * k / radial;
    points.emplace_back(r * std::cos(sweep), r * std::sin(sweep));
  }
  for (int k = 0; k < arc; ++k) {
    const double a = sweep * (arc - k) / arc;
    points.emplace_back(r0 * std::cos(a), r0 * std::sin(a));
  }
  return points;
}

}  // namespace kestrel::testing
