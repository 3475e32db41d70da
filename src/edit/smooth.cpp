// Smoothing and re-spacing: both re-sample a line by piecewise-linear
// interpolation of x, y and z against its cumulative length in the x-y plane.
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/cornerfollow.h"
#include "edit/dialogs.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "view/view.h"

namespace kestrel {

double Interpolate(const double* d, const double* v, int n, double h) {
  if (n <= 1 || h <= d[0]) return v[0];
  for (int i = 1; i < n; ++i) {
    // The first segment that holds h wins, so a zero-length one is never divided by.
    if (d[i - 1] <= h && h <= d[i]) return v[i - 1] + (h - d[i - 1]) * (v[i] - v[i - 1]) / (d[i] - d[i - 1]);
  }
  return v[n - 1];
}

namespace {

// The working arrays of one command run: the points being processed and
// their cumulative lengths.
struct Work {
  double* x = nullptr;
  double* y = nullptr;
  double* z = nullptr;
  double* d = nullptr;

  Work(int firstCode, int32_t size) {
    const size_t n = static_cast<size_t>(size);
    x = AllocArray<double>(firstCode, n);
    y = AllocArray<double>(firstCode + 1, n);
    z = AllocArray<double>(firstCode + 2, n);
    d = AllocArray<double>(firstCode + 3, n);
  }
  ~Work() {
    FreeBlock(x);
    FreeBlock(y);
    FreeBlock(z);
    FreeBlock(d);
  }
  Work(const Work&) = delete;
  Work& operator=(const Work&) = delete;

  void Load(const Polygon& p) {
    for (int32_t k = 0; k < p.count; ++k) {
      x[k] = p.points[k].x;
      y[k] = p.points[k].y;
      z[k] = p.points[k].z;
    }
  }

  void Measure(int32_t n) {
    d[0] = 0;
    for (int32_t k = 1; k < n; ++k) d[k] = d[k - 1] + std::hypot(x[k] - x[k - 1], y[k] - y[k - 1]);
  }

  // Writes m points evenly spaced along the n source points into `out`. The
  // end points are the source's own: the division in the last step can miss
  // the total length by a rounding, and a closed polygon's closing point must
  // stay exactly equal to its first.
  void Resample(int32_t n, PolygonPoint* out, int32_t m) const {
    const double length = d[n - 1];
    for (int32_t g = 0; g < m; ++g) {
      const double h = g * length / (m - 1);
      out[g] = PolygonPoint{Interpolate(d, x, n, h), Interpolate(d, y, n, h), Interpolate(d, z, n, h)};
    }
    out[0] = PolygonPoint{x[0], y[0], z[0]};
    out[m - 1] = PolygonPoint{x[n - 1], y[n - 1], z[n - 1]};
  }
};

double Length(const Polygon& p) {
  double sum = 0;
  for (int32_t k = 1; k < p.count; ++k) {
    sum += std::hypot(p.points[k].x - p.points[k - 1].x, p.points[k].y - p.points[k - 1].y);
  }
  return sum;
}

// The most points a re-spaced polygon may get: its count and its undo record
// (6 entries a point) must still fit the 32-bit counters.
constexpr double kMaxRespacedPoints = (INT32_MAX - 16) / 6;

}  // namespace

void SmoothPolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to smooth");
    return;
  }
  int32_t selected = 0;
  int32_t largest = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    ++selected;
    if (p.count > 2 && p.count > largest) largest = p.count;
  }
  if (selected == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  if (largest == 0) {
    ShowStatus("you must first select at least one polygon having at least three points");
    return;
  }
  int32_t smoothed = 0;
  {
    Work w(3561, largest);
    for (int32_t i = 0; i < store.polygonCount; ++i) {
      Polygon& p = PolygonAt(i);
      if (p.selection == 0) continue;
      if (p.selection < 0) p.selection = 1;
      const int32_t n = p.count;
      if (n <= 2) continue;
      RecordPoints(i);
      std::vector<PolygonPoint> before;
      if (HasCorners(p)) before.assign(p.points, p.points + n);
      const PolygonPoint* old = p.points;
      for (int32_t k = 1; k <= n - 2; ++k) {
        w.x[k] = (old[k - 1].x + old[k].x + old[k + 1].x) / 3;
        w.y[k] = (old[k - 1].y + old[k].y + old[k + 1].y) / 3;
        w.z[k] = (old[k - 1].z + old[k].z + old[k + 1].z) / 3;
      }
      if (p.closed) {
        // Point 0's neighbours are point 1 and the last distinct point.
        const PolygonPoint e{(old[0].x + old[1].x + old[n - 2].x) / 3, (old[0].y + old[1].y + old[n - 2].y) / 3,
                             (old[0].z + old[1].z + old[n - 2].z) / 3};
        w.x[0] = w.x[n - 1] = e.x;
        w.y[0] = w.y[n - 1] = e.y;
        w.z[0] = w.z[n - 1] = e.z;
      } else {
        w.x[0] = old[0].x, w.y[0] = old[0].y, w.z[0] = old[0].z;
        w.x[n - 1] = old[n - 1].x, w.y[n - 1] = old[n - 1].y, w.z[n - 1] = old[n - 1].z;
      }
      w.Measure(n);
      w.Resample(n, p.points, n);
      FollowCornersAlongLine(i, before.data(), n, p.closed == 1);
      MarkModified();
      ++smoothed;
    }
  }
  if (smoothed > 0) {
    PushInt(smoothed);
    PushInt(UndoMixedList);
  }
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

void RespacePolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to re-space");
    return;
  }
  int32_t selected = 0;
  int32_t largest = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    ++selected;
    if (p.count >= 2 && p.count > largest) largest = p.count;
  }
  if (selected == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  if (largest == 0) {
    ShowStatus("you must first select at least one polygon having at least two points");
    return;
  }
  double total = 0;
  double segments = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    if (p.selection < 0) p.selection = 1;
    if (p.count < 2) continue;
    total += Length(p);
    segments += p.count - 1;
  }
  dialogValue = total / segments;  // the average segment length
  ValueDialog("SPACING");
  // Cancel, an unreadable entry, zero, a negative number or not a number.
  if (!(dialogValue > 0)) return;
  const double spacing = dialogValue;

  // A spacing so small that a polygon could not hold its points is refused
  // before anything changes.
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0 || p.count < 2) continue;
    if (!(Length(p) / spacing + 1 <= kMaxRespacedPoints)) {
      ShowStatus("the point spacing is too small for the selected polygons");
      return;
    }
  }

  int32_t respaced = 0;
  {
    Work w(3677, largest);
    for (int32_t i = 0; i < store.polygonCount; ++i) {
      Polygon& p = PolygonAt(i);
      const int32_t n = p.count;
      if (p.selection == 0 || n < 2) continue;
      RecordPoints(i);
      std::vector<PolygonPoint> before;
      if (HasCorners(p)) before.assign(p.points, p.points + n);
      w.Load(p);
      w.Measure(n);
      int32_t m = static_cast<int32_t>(RoundHalfAway(w.d[n - 1] / spacing + 1));
      const int32_t least = p.closed ? 4 : 3;
      if (m < least) m = least;
      p.points = GrowArray<PolygonPoint>(3707, p.points, static_cast<size_t>(n), static_cast<size_t>(m));
      p.count = m;
      w.Resample(n, p.points, m);
      FollowCornersAlongLine(i, before.data(), n, p.closed == 1);
      MarkModified();
      ++respaced;
    }
  }
  if (respaced > 0) {
    PushInt(respaced);
    PushInt(UndoMixedList);
  }
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

}  // namespace kestrel
