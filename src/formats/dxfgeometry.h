// The geometry of drawings: entity coordinate systems, block placements,
// arcs given by bulges, ellipses, splines and hatch boundaries, all turned
// into runs of points.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "store/store.h"

namespace kestrel {

inline constexpr double kPi = 3.14159265358979323846;

// A 3 by 4 affine map: x' = m[0][0] x + m[0][1] y + m[0][2] z + m[0][3], ...
struct Affine {
  double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  bool identity = true;
};

// `outer` after `inner`.
Affine Compose(const Affine& outer, const Affine& inner);
void Apply(const Affine& a, PolygonPoint& p);

// How much the map lengthens a distance at most (its largest singular value).
double Stretch(const Affine& a);

// From an entity's own coordinate system to world coordinates by the
// arbitrary-axis rule of the format, for its extrusion direction `normal`. A
// direction within 0.01 of (0, 0, 1) in every component, or too short to
// have a direction, leaves the coordinates as they are.
Affine FromOwnSystem(const double normal[3]);

// The map of a block reference: the block's points, taken relative to its
// base point, scaled, turned by `rotation` degrees, moved by the column and
// row offsets (turned with it) and put at `point` in the reference's own
// coordinate system of extrusion direction `normal`.
Affine BlockPlacement(const double point[3], const double scale[3], double rotation, const double normal[3],
                      double columnOffset, double rowOffset, const double base[3]);

// The arc from a to b of bulge `bulge` (the tangent of a quarter of its
// included angle, positive counter-clockwise): its inner points, appended to
// `out`, so that no chord leaves the arc by more than `tolerance` (a quarter
// turn at most per chord, 4096 chords per turn at most). z runs linearly.
void ArcPoints(const PolygonPoint& a, const PolygonPoint& b, double bulge, double tolerance,
               std::vector<PolygonPoint>& out);

// The point halfway along that arc.
PolygonPoint ArcMiddle(const PolygonPoint& a, const PolygonPoint& b, double bulge);

// An elliptical arc in world coordinates: centre, major axis (from the
// centre to its end), extrusion direction, ratio of minor to major axis,
// start parameter and counter-clockwise sweep (radians).
struct EllipseArc {
  double centre[3] = {0, 0, 0};
  double major[3] = {0, 0, 0};
  double normal[3] = {0, 0, 1};
  double ratio = 1;
  double start = 0, sweep = 2 * kPi;
};

// The arc's points, its chords leaving it by at most 1/1000 of its major
// radius; the last point is left out when `whole` (a closed ellipse). False
// when it has no axes.
bool SampleEllipse(const EllipseArc& e, bool whole, std::vector<PolygonPoint>& out);

// A spline: degree, knot vector, control points with their weights (none:
// all 1), and fit points.
struct Spline {
  int degree = 3;
  std::vector<double> knots, weights;
  std::vector<PolygonPoint> control, fit;
};

// The curve of a spline when its knots and control points define one,
// followed so that no chord leaves it by more than 1/2000 of the extent of
// its control points; otherwise its fit points, or failing those its control
// points, as they are.
void SampleSpline(const Spline& s, std::vector<PolygonPoint>& out);

// One boundary path of a hatch, in the hatch's own coordinate system: its
// vertices with the bulge of the segment to the next one, closing on the
// first; all at one elevation.
struct HatchVertex {
  double x, y, bulge;
};
struct HatchPath {
  std::vector<HatchVertex> vertices;
  double elevation = 0;
};

// Reads the boundary paths from the group codes of a HATCH (its layer and
// extrusion taken out): polyline paths and edge paths of lines, arcs,
// elliptical arcs and splines. False when they do not follow the format.
bool ParseHatchPaths(const std::vector<std::pair<long, std::string>>& pairs, std::vector<HatchPath>& paths);

// Whether path k lies inside an odd number of the other paths: a hole.
bool IsHatchHole(const std::vector<HatchPath>& paths, std::size_t k);

}  // namespace kestrel
