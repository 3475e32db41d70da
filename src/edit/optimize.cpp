// Optimize: removes points that add nothing to a polygon's shape, those lying
// almost on their successor and those lying almost on the line between their
// neighbours, until none is left.
#include <cmath>
#include <cstring>
#include <vector>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/cornerfollow.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "view/view.h"

namespace kestrel {

namespace {

double Distance(const PolygonPoint& a, const PolygonPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// P is on the line AB unless its distance from it exceeds 0.001 of |AB|; a
// point between two coinciding neighbours (a spike) is always on it.
bool OnLine(const PolygonPoint& a, const PolygonPoint& p, const PolygonPoint& b) {
  const double length = Distance(a, b);
  if (length == 0) return true;
  const double cross = std::abs((b.y - p.y) * (p.x - a.x) - (p.y - a.y) * (b.x - p.x));
  return !(0.001 * length < cross / length);
}

// Recomputes the polygon's box from its first n points and returns the
// length of its diagonal.
double BoxDiagonal(Polygon& polygon, int32_t n) {
  double xmin = kHugeCoordinate, ymin = kHugeCoordinate;
  double xmax = -kHugeCoordinate, ymax = -kHugeCoordinate;
  for (int32_t k = 0; k < n; ++k) {
    const PolygonPoint& q = polygon.points[k];
    if (q.x < xmin) xmin = q.x;
    if (q.x > xmax) xmax = q.x;
    if (q.y < ymin) ymin = q.y;
    if (q.y > ymax) ymax = q.y;
  }
  polygon.xmin = xmin;
  polygon.xmax = xmax;
  polygon.ymin = ymin;
  polygon.ymax = ymax;
  return std::hypot(xmax - xmin, ymax - ymin);
}

// Removes point i of the first n, moving the later ones down.
void RemoveAt(PolygonPoint* points, int32_t& n, int32_t i) {
  std::memmove(&points[i], &points[i + 1], sizeof(PolygonPoint) * static_cast<size_t>(n - 1 - i));
  --n;
}

}  // namespace

void ThinOpen(Polygon& polygon, double t) {
  PolygonPoint* q = polygon.points;
  int32_t n = polygon.count;
  bool removed = true;
  while (removed) {
    removed = false;
    if (BoxDiagonal(polygon, n) < t) {
      polygon.count = 1;
      return;
    }
    // The last of a run of near-duplicates survives, so the end point stays.
    for (int32_t i = 0; i < n - 1 && n > 1;) {
      if (Distance(q[i], q[i + 1]) <= t) {
        RemoveAt(q, n, i);
        removed = true;
      } else {
        ++i;
      }
    }
    for (int32_t i = 1; i < n - 1 && n > 2;) {
      if (OnLine(q[i - 1], q[i], q[i + 1])) {
        RemoveAt(q, n, i);
        removed = true;
      } else {
        ++i;
      }
    }
    polygon.count = n;
  }
}

void ThinClosed(Polygon& polygon, double t) {
  PolygonPoint* q = polygon.points;
  int32_t n = polygon.count - 1;  // the ring of distinct points
  bool removed = true;
  while (removed) {
    removed = false;
    if (BoxDiagonal(polygon, n) < t) {
      polygon.count = 1;
      polygon.closed = 0;
      return;
    }
    for (int32_t i = 0; i < n && n > 1;) {
      if (Distance(q[i], q[(i + 1) % n]) <= t) {
        RemoveAt(q, n, i);
        removed = true;
      } else {
        ++i;
      }
    }
    for (int32_t i = 0; i < n && n > 2;) {
      if (OnLine(q[(i + n - 1) % n], q[i], q[(i + 1) % n])) {
        RemoveAt(q, n, i);
        removed = true;
      } else {
        ++i;
      }
    }
  }
  if (n < 3) {
    polygon.closed = 0;
    polygon.count = n;
  } else {
    q[n] = q[0];
    polygon.count = n + 1;
    polygon.closed = 1;
  }
}

void OptimizePolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to optimize");
    return;
  }
  bool any = false;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection != 0 && p.count >= 2) any = true;
  }
  if (!any) {
    ShowStatus("you must first select at least one polygon having at least two points");
    return;
  }
  const double t = 0.001 * std::hypot(extentXmax - extentXmin, extentYmax - extentYmin);
  int32_t optimized = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    if (p.count < 2) {
      p.selection = 0;
      continue;
    }
    RecordPoints(i);
    p.selection = 1;
    std::vector<PolygonPoint> before;
    if (HasCorners(p)) before.assign(p.points, p.points + p.count);
    const bool wasClosed = p.closed == 1;
    if (p.closed) {
      ThinClosed(p, t);
    } else {
      ThinOpen(p, t);
    }
    FollowThinnedPoints(i, before.data(), static_cast<int32_t>(before.size()), wasClosed);
    MarkModified();
    ++optimized;
  }
  if (optimized > 0) {
    PushInt(optimized);
    PushInt(UndoMixedList);
  }
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

}  // namespace kestrel
