#include "formats/dxfgeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "formats/cnumbers.h"

namespace kestrel {

namespace {

// An extrusion direction shorter than this (2^-23) is no direction.
constexpr double kShortestDirection = 1.1920928955078125e-07;

// No arc gets more chords than this per full turn.
constexpr double kMostChordsPerTurn = 4096;

// A spline piece is halved at most this often while it is followed.
constexpr int kDeepestHalving = 8;

// Chords for an arc of `sweep` radians (its absolute value) and radius
// `radius` that leave it by at most `tolerance`: a quarter turn at most each.
int ArcChords(double sweep, double radius, double tolerance) {
  sweep = std::fabs(sweep);
  const double fewest = std::max(1.0, std::ceil(sweep / (kPi / 2) - 1e-9));
  const double most = std::max(fewest, std::ceil(sweep / (2 * kPi) * kMostChordsPerTurn));
  double chords = fewest;
  if (tolerance > 0 && tolerance < radius) {
    const double step = 2 * std::acos(1 - tolerance / radius);
    if (step > 0) chords = std::ceil(sweep / step);
  }
  return static_cast<int>(std::clamp(chords, fewest, most));
}

// The centre, radius, start angle and included angle of a bulge's arc.
struct BulgeArc {
  double cx, cy, radius, start, sweep;
};

bool ArcOfBulge(const PolygonPoint& a, const PolygonPoint& b, double bulge, BulgeArc& arc) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double chord = std::hypot(dx, dy);
  if (!(chord >= kCoincident) || bulge == 0 || !std::isfinite(bulge) || !std::isfinite(chord)) return false;
  // The centre lies on the chord's perpendicular bisector, to the left of
  // a -> b for a counter-clockwise arc of less than a half turn.
  const double offset = chord * 0.5 * (1 - bulge * bulge) / (2 * bulge);
  arc.cx = (a.x + b.x) * 0.5 - dy / chord * offset;
  arc.cy = (a.y + b.y) * 0.5 + dx / chord * offset;
  arc.radius = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
  arc.start = std::atan2(a.y - arc.cy, a.x - arc.cx);
  arc.sweep = 4 * std::atan(bulge);
  return std::isfinite(arc.cx) && std::isfinite(arc.cy) && std::isfinite(arc.radius);
}

double Distance(const PolygonPoint& p, const PolygonPoint& q) { return std::hypot(p.x - q.x, p.y - q.y, p.z - q.z); }

double DistanceToSegment(const PolygonPoint& p, const PolygonPoint& a, const PolygonPoint& b) {
  const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
  const double length2 = ux * ux + uy * uy + uz * uz;
  double t = length2 > 0 ? ((p.x - a.x) * ux + (p.y - a.y) * uy + (p.z - a.z) * uz) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return Distance(p, PolygonPoint{a.x + t * ux, a.y + t * uy, a.z + t * uz});
}

// ----- Splines -----

bool SplineIsDefined(const Spline& s) {
  const std::size_t n = s.control.size();
  const int p = s.degree;
  if (p < 1 || p > 11 || n < static_cast<std::size_t>(p) + 1 || s.knots.size() != n + p + 1) return false;
  for (std::size_t k = 0; k < s.knots.size(); ++k) {
    if (!std::isfinite(s.knots[k]) || (k > 0 && s.knots[k] < s.knots[k - 1])) return false;
  }
  if (!(s.knots[p] < s.knots[n])) return false;
  if (!s.weights.empty()) {
    if (s.weights.size() != n) return false;
    for (double w : s.weights) {
      if (!(w > 0) || !std::isfinite(w)) return false;
    }
  }
  return true;
}

// The point of the curve at parameter t, by de Boor's algorithm in
// homogeneous coordinates (so that weights are honoured).
PolygonPoint SplinePoint(const Spline& s, double t) {
  const int p = s.degree;
  const int n = static_cast<int>(s.control.size());
  const std::vector<double>& u = s.knots;
  int k = p;
  while (k < n - 1 && !(t < u[k + 1])) ++k;
  while (k > p && !(u[k] < u[k + 1])) --k;  // the last span that has a length
  double d[12][4];
  for (int j = 0; j <= p; ++j) {
    const PolygonPoint& c = s.control[k - p + j];
    const double w = s.weights.empty() ? 1.0 : s.weights[k - p + j];
    d[j][0] = c.x * w;
    d[j][1] = c.y * w;
    d[j][2] = c.z * w;
    d[j][3] = w;
  }
  for (int r = 1; r <= p; ++r) {
    for (int j = p; j >= r; --j) {
      const int i = k - p + j;
      const double span = u[i + p + 1 - r] - u[i];
      const double alpha = span > 0 ? (t - u[i]) / span : 0;
      for (int c = 0; c < 4; ++c) d[j][c] = (1 - alpha) * d[j - 1][c] + alpha * d[j][c];
    }
  }
  return PolygonPoint{d[p][0] / d[p][3], d[p][1] / d[p][3], d[p][2] / d[p][3]};
}

// Follows the curve from (ta, a) to (tb, b), halving where it leaves the
// chord by more than the tolerance at a quarter, the half or three quarters
// of the way (three, so that an S-bend that crosses its chord is seen);
// appends the points after a.
void FollowSpline(const Spline& s, double ta, const PolygonPoint& a, double tb, const PolygonPoint& b, double tolerance,
                  int depth, std::vector<PolygonPoint>& out) {
  const double tm = (ta + tb) * 0.5;
  const PolygonPoint m = SplinePoint(s, tm);
  const auto off = [&](double t) { return DistanceToSegment(SplinePoint(s, t), a, b) > tolerance; };
  if (depth < kDeepestHalving &&
      (DistanceToSegment(m, a, b) > tolerance || off((ta + tm) * 0.5) || off((tm + tb) * 0.5))) {
    FollowSpline(s, ta, a, tm, m, tolerance, depth + 1, out);
    FollowSpline(s, tm, m, tb, b, tolerance, depth + 1, out);
    return;
  }
  out.push_back(b);
}

// Appends a point to a hatch path; a point where the path already is only
// gives the bulge of the segment that starts there.
void AppendPathPoint(HatchPath& path, double x, double y, double bulge) {
  if (!path.vertices.empty()) {
    HatchVertex& last = path.vertices.back();
    const double scale = std::max({1.0, std::fabs(x), std::fabs(y)});
    if (std::hypot(last.x - x, last.y - y) <= 1e-9 * scale) {
      last.bulge = bulge;
      return;
    }
  }
  path.vertices.push_back(HatchVertex{x, y, bulge});
}

// Group codes of a hatch, read one after the other.
struct HatchCursor {
  const std::vector<std::pair<long, std::string>>& pairs;
  std::size_t i = 0;

  bool At(long code) const { return i < pairs.size() && pairs[i].first == code; }
  bool Take(long code, double& value) {
    if (!At(code)) return false;
    value = ReadDouble(pairs[i++].second.c_str(), nullptr);
    return true;
  }
  bool Take(long code, long& value) {
    if (!At(code)) return false;
    value = std::strtol(pairs[i++].second.c_str(), nullptr, 10);
    return true;
  }
  // A count, no larger than the pairs left could hold.
  bool TakeCount(long code, long& value) {
    if (!Take(code, value)) return false;
    value = std::clamp(value, 0L, static_cast<long>(pairs.size()));
    return true;
  }
};

// An arc or elliptical arc edge: its angles in degrees, counter-clockwise;
// a clockwise edge keeps the complements (360 - angle) of its angles.
void EdgeAngles(double start, double end, long counterClockwise, double& begin, double& sweep) {
  double included = std::fmod(end - start, 360.0);
  if (included <= 0) included += 360;
  begin = (counterClockwise ? start : -start) * kPi / 180;
  sweep = (counterClockwise ? included : -included) * kPi / 180;
}

bool ReadEdge(HatchCursor& c, HatchPath& path) {
  long type = 0;
  if (!c.Take(72, type)) return false;
  double x1, y1, x2, y2;
  switch (type) {
    case 1:  // line
      if (!c.Take(10, x1) || !c.Take(20, y1) || !c.Take(11, x2) || !c.Take(21, y2)) return false;
      AppendPathPoint(path, x1, y1, 0);
      AppendPathPoint(path, x2, y2, 0);
      return true;
    case 2: {  // circular arc
      double radius, start, end;
      long ccw = 1;
      if (!c.Take(10, x1) || !c.Take(20, y1) || !c.Take(40, radius) || !c.Take(50, start) || !c.Take(51, end)) {
        return false;
      }
      c.Take(73, ccw);
      double begin, sweep;
      EdgeAngles(start, end, ccw, begin, sweep);
      const int pieces = std::fabs(sweep) > kPi ? 2 : 1;
      const double piece = sweep / pieces;
      for (int k = 0; k < pieces; ++k) {
        const double a = begin + k * piece;
        AppendPathPoint(path, x1 + radius * std::cos(a), y1 + radius * std::sin(a), std::tan(piece / 4));
      }
      AppendPathPoint(path, x1 + radius * std::cos(begin + sweep), y1 + radius * std::sin(begin + sweep), 0);
      return true;
    }
    case 3: {  // elliptical arc
      EllipseArc e;
      double start, end;
      long ccw = 1;
      if (!c.Take(10, e.centre[0]) || !c.Take(20, e.centre[1]) || !c.Take(11, e.major[0]) || !c.Take(21, e.major[1]) ||
          !c.Take(40, e.ratio) || !c.Take(50, start) || !c.Take(51, end)) {
        return false;
      }
      c.Take(73, ccw);
      EdgeAngles(start, end, ccw, e.start, e.sweep);
      std::vector<PolygonPoint> points;
      if (!SampleEllipse(e, false, points)) return false;
      for (const PolygonPoint& p : points) AppendPathPoint(path, p.x, p.y, 0);
      return true;
    }
    case 4: {  // spline
      Spline s;
      long degree = 0, rational = 0, periodic = 0, knots = 0, controls = 0;
      if (!c.Take(94, degree) || !c.Take(73, rational) || !c.Take(74, periodic) || !c.TakeCount(95, knots) ||
          !c.TakeCount(96, controls)) {
        return false;
      }
      s.degree = static_cast<int>(std::clamp(degree, 0L, 99L));
      for (long k = 0; k < knots; ++k) {
        double v;
        if (!c.Take(40, v)) return false;
        s.knots.push_back(v);
      }
      for (long k = 0; k < controls; ++k) {
        double w;
        if (!c.Take(10, x1) || !c.Take(20, y1)) return false;
        s.control.push_back(PolygonPoint{x1, y1, 0});
        if (c.Take(42, w)) s.weights.push_back(w);
      }
      // Fit data, when the count is followed by fit points (the path's own
      // count of source objects follows with 330s).
      if (c.At(97) && (c.pairs[c.i].second.find_first_not_of(" 0\r") == std::string::npos ||
                       (c.i + 1 < c.pairs.size() && c.pairs[c.i + 1].first == 11))) {
        long fits = 0;
        c.TakeCount(97, fits);
        for (long k = 0; k < fits; ++k) {
          if (!c.Take(11, x1) || !c.Take(21, y1)) return false;
          s.fit.push_back(PolygonPoint{x1, y1, 0});
        }
      }
      for (long code : {12L, 22L, 13L, 23L}) {
        double ignored;
        c.Take(code, ignored);
      }
      std::vector<PolygonPoint> points;
      SampleSpline(s, points);
      if (points.empty()) return false;
      for (const PolygonPoint& p : points) AppendPathPoint(path, p.x, p.y, 0);
      return true;
    }
    default:
      return false;
  }
}

// Even-odd test of a point against a path's vertices.
bool InsidePath(const HatchPath& path, double px, double py) {
  const std::vector<HatchVertex>& v = path.vertices;
  bool inside = false;
  for (std::size_t k = 0, j = v.size() - 1; k < v.size(); j = k++) {
    if ((v[k].y > py) != (v[j].y > py) && px < (v[j].x - v[k].x) * (py - v[k].y) / (v[j].y - v[k].y) + v[k].x) {
      inside = !inside;
    }
  }
  return inside;
}

}  // namespace

Affine Compose(const Affine& outer, const Affine& inner) {
  if (inner.identity) return outer;
  if (outer.identity) return inner;
  Affine c;
  c.identity = false;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      c.m[i][j] = outer.m[i][0] * inner.m[0][j] + outer.m[i][1] * inner.m[1][j] + outer.m[i][2] * inner.m[2][j] +
                  (j == 3 ? outer.m[i][3] : 0.0);
    }
  }
  return c;
}

void Apply(const Affine& a, PolygonPoint& p) {
  if (a.identity) return;
  const PolygonPoint q = p;
  p.x = q.x * a.m[0][0] + q.y * a.m[0][1] + q.z * a.m[0][2] + a.m[0][3];
  p.y = q.x * a.m[1][0] + q.y * a.m[1][1] + q.z * a.m[1][2] + a.m[1][3];
  p.z = q.x * a.m[2][0] + q.y * a.m[2][1] + q.z * a.m[2][2] + a.m[2][3];
}

double Stretch(const Affine& a) {
  if (a.identity) return 1;
  // The largest eigenvalue of the symmetric L^T L by power iteration, from
  // its largest column (which is never orthogonal to the leading direction
  // unless the map is zero).
  double b[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      b[i][j] = a.m[0][i] * a.m[0][j] + a.m[1][i] * a.m[1][j] + a.m[2][i] * a.m[2][j];
    }
  }
  int best = 0;
  for (int j = 1; j < 3; ++j) {
    if (b[j][j] > b[best][best]) best = j;
  }
  double v[3] = {b[0][best], b[1][best], b[2][best]};
  double lambda = 0;
  for (int iteration = 0; iteration < 60; ++iteration) {
    const double w[3] = {b[0][0] * v[0] + b[0][1] * v[1] + b[0][2] * v[2],
                         b[1][0] * v[0] + b[1][1] * v[1] + b[1][2] * v[2],
                         b[2][0] * v[0] + b[2][1] * v[1] + b[2][2] * v[2]};
    const double norm = std::hypot(w[0], w[1], w[2]);
    const double length = std::hypot(v[0], v[1], v[2]);
    if (!(norm > 0) || !(length > 0)) return 0;
    lambda = norm / length;
    for (int k = 0; k < 3; ++k) v[k] = w[k] / norm;
  }
  return std::sqrt(lambda);
}

Affine FromOwnSystem(const double normal[3]) {
  Affine a;
  if (!(std::fabs(normal[0]) > 0.01 || std::fabs(normal[1]) > 0.01 || std::fabs(normal[2] - 1) > 0.01)) return a;
  const double length = std::hypot(normal[0], normal[1], normal[2]);
  if (!(length > kShortestDirection) || !std::isfinite(length)) return a;
  const double nx = normal[0] / length, ny = normal[1] / length, nz = normal[2] / length;
  double ax, ay, az;
  if (std::fabs(nx) < 1.0 / 64 && std::fabs(ny) < 1.0 / 64) {
    ax = nz, ay = 0, az = -nx;
  } else {
    ax = -ny, ay = nx, az = 0;
  }
  const double h = std::hypot(ax, ay, az);
  ax /= h, ay /= h, az /= h;
  const double bx = ny * az - nz * ay, by = nz * ax - nx * az, bz = nx * ay - ny * ax;
  a.identity = false;
  const double m[3][4] = {{ax, bx, nx, 0}, {ay, by, ny, 0}, {az, bz, nz, 0}};
  std::memcpy(a.m, m, sizeof m);
  return a;
}

Affine BlockPlacement(const double point[3], const double scale[3], double rotation, const double normal[3],
                      double columnOffset, double rowOffset, const double base[3]) {
  const double angle = rotation * kPi / 180;
  const double c = rotation == 0 ? 1 : std::cos(angle), s = rotation == 0 ? 0 : std::sin(angle);
  const double sx = scale[0], sy = scale[1], sz = scale[2];
  Affine local;
  local.identity = false;
  const double m[3][4] = {
      {c * sx, -s * sy, 0, point[0] + c * columnOffset - s * rowOffset - (c * sx * base[0] - s * sy * base[1])},
      {s * sx, c * sy, 0, point[1] + s * columnOffset + c * rowOffset - (s * sx * base[0] + c * sy * base[1])},
      {0, 0, sz, point[2] - sz * base[2]}};
  std::memcpy(local.m, m, sizeof m);
  return Compose(FromOwnSystem(normal), local);
}

void ArcPoints(const PolygonPoint& a, const PolygonPoint& b, double bulge, double tolerance,
               std::vector<PolygonPoint>& out) {
  BulgeArc arc;
  if (!ArcOfBulge(a, b, bulge, arc)) return;
  const int chords = ArcChords(arc.sweep, arc.radius, tolerance);
  for (int k = 1; k < chords; ++k) {
    const double t = static_cast<double>(k) / chords;
    const double angle = arc.start + arc.sweep * t;
    out.push_back(PolygonPoint{arc.cx + arc.radius * std::cos(angle), arc.cy + arc.radius * std::sin(angle),
                               a.z + (b.z - a.z) * t});
  }
}

PolygonPoint ArcMiddle(const PolygonPoint& a, const PolygonPoint& b, double bulge) {
  BulgeArc arc;
  if (!ArcOfBulge(a, b, bulge, arc)) return a;
  const double angle = arc.start + arc.sweep * 0.5;
  return PolygonPoint{arc.cx + arc.radius * std::cos(angle), arc.cy + arc.radius * std::sin(angle), (a.z + b.z) * 0.5};
}

bool SampleEllipse(const EllipseArc& e, bool whole, std::vector<PolygonPoint>& out) {
  const double major = std::hypot(e.major[0], e.major[1], e.major[2]);
  if (!(major > 0) || !std::isfinite(major) || !(e.ratio > 0) || !std::isfinite(e.ratio) || !std::isfinite(e.start) ||
      !std::isfinite(e.sweep)) {
    return false;
  }
  double n[3] = {e.normal[0], e.normal[1], e.normal[2]};
  const double length = std::hypot(n[0], n[1], n[2]);
  if (!(length > kShortestDirection) || !std::isfinite(length)) {
    n[0] = 0, n[1] = 0, n[2] = 1;
  } else {
    for (double& c : n) c /= length;
  }
  // The minor axis is the major turned a quarter about the extrusion.
  const double minor[3] = {e.ratio * (n[1] * e.major[2] - n[2] * e.major[1]),
                           e.ratio * (n[2] * e.major[0] - n[0] * e.major[2]),
                           e.ratio * (n[0] * e.major[1] - n[1] * e.major[0])};
  // An ellipse is a circle of its major radius squeezed: its chords leave it
  // no further than the circle's.
  const int chords = ArcChords(e.sweep, major, major / 1000);
  const int count = whole ? chords : chords + 1;
  for (int k = 0; k < count; ++k) {
    const double t = e.start + e.sweep * k / chords;
    const double c = std::cos(t), s = std::sin(t);
    out.push_back(PolygonPoint{e.centre[0] + c * e.major[0] + s * minor[0], e.centre[1] + c * e.major[1] + s * minor[1],
                               e.centre[2] + c * e.major[2] + s * minor[2]});
  }
  return true;
}

void SampleSpline(const Spline& s, std::vector<PolygonPoint>& out) {
  if (!SplineIsDefined(s)) {
    const std::vector<PolygonPoint>& points = s.fit.size() >= 2 ? s.fit : s.control;
    out.insert(out.end(), points.begin(), points.end());
    return;
  }
  double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (const PolygonPoint& c : s.control) {
    const double v[3] = {c.x, c.y, c.z};
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
  }
  const double tolerance = std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) / 2000;
  const int p = s.degree;
  const std::size_t n = s.control.size();
  PolygonPoint previous = SplinePoint(s, s.knots[p]);
  out.push_back(previous);
  for (std::size_t k = p; k < n; ++k) {
    const double t0 = s.knots[k], t1 = s.knots[k + 1];
    if (!(t1 > t0)) continue;
    // Two halves per span at least, so that an S within one is not missed.
    for (int half = 0; half < 2; ++half) {
      const double ta = t0 + (t1 - t0) * half * 0.5, tb = half == 1 ? t1 : t0 + (t1 - t0) * 0.5;
      const PolygonPoint b = SplinePoint(s, tb);
      FollowSpline(s, ta, previous, tb, b, tolerance, 0, out);
      previous = b;
    }
  }
}

bool ParseHatchPaths(const std::vector<std::pair<long, std::string>>& pairs, std::vector<HatchPath>& paths) {
  HatchCursor c{pairs};
  double elevation = 0;
  // Before the paths: the elevation point, whose z is the hatch's elevation.
  while (c.i < pairs.size() && !c.At(91)) {
    if (c.At(30)) elevation = ReadDouble(pairs[c.i].second.c_str(), nullptr);
    ++c.i;
  }
  long count = 0;
  if (!c.TakeCount(91, count)) return false;
  for (long p = 0; p < count; ++p) {
    long flags = 0;
    if (!c.Take(92, flags)) return false;
    HatchPath path;
    path.elevation = elevation;
    if (flags & 2) {  // a polyline path
      long withBulges = 0, closed = 0, vertices = 0;
      c.Take(72, withBulges);
      c.Take(73, closed);
      if (!c.TakeCount(93, vertices)) return false;
      for (long v = 0; v < vertices; ++v) {
        double x, y, bulge = 0;
        if (!c.Take(10, x) || !c.Take(20, y)) return false;
        c.Take(42, bulge);
        path.vertices.push_back(HatchVertex{x, y, std::isfinite(bulge) ? bulge : 0});
      }
    } else {
      long edges = 0;
      if (!c.TakeCount(93, edges)) return false;
      for (long e = 0; e < edges; ++e) {
        if (!ReadEdge(c, path)) return false;
      }
    }
    long sources = 0;
    if (c.Take(97, sources)) {
      while (sources-- > 0 && c.At(330)) ++c.i;
    }
    // The path closes on its first point: a last point on it goes.
    if (path.vertices.size() > 2) {
      const HatchVertex& first = path.vertices.front();
      const HatchVertex& last = path.vertices.back();
      const double scale = std::max({1.0, std::fabs(first.x), std::fabs(first.y)});
      if (std::hypot(last.x - first.x, last.y - first.y) <= 1e-9 * scale) path.vertices.pop_back();
    }
    for (const HatchVertex& v : path.vertices) {
      if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
    }
    paths.push_back(std::move(path));
  }
  return true;
}

bool IsHatchHole(const std::vector<HatchPath>& paths, std::size_t k) {
  const HatchPath& path = paths[k];
  if (path.vertices.empty()) return false;
  // The middle of the first segment: a vertex may lie on another path.
  const HatchVertex& a = path.vertices[0];
  const HatchVertex& b = path.vertices[path.vertices.size() > 1 ? 1 : 0];
  const double px = (a.x + b.x) * 0.5, py = (a.y + b.y) * 0.5;
  int around = 0;
  for (std::size_t j = 0; j < paths.size(); ++j) {
    if (j != k && paths[j].vertices.size() > 2 && InsidePath(paths[j], px, py)) ++around;
  }
  return around % 2 == 1;
}

}  // namespace kestrel
