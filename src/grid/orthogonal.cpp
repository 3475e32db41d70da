#include "grid/orthogonal.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/report.h"
#include "formats/cnumbers.h"
#include "grid/boundary.h"
#include "grid/conformal.h"
#include "grid/gridstore.h"
#include "store/store.h"

namespace kestrel {

bool orthogonalMode = false;

const char* FindOrthogonalMarker(const char* name) {
  const std::size_t length = std::strlen(kOrthogonalMarker);
  for (const char* c = name; *c; ++c) {
    std::size_t k = 0;
    while (k < length && c[k] && std::tolower(static_cast<unsigned char>(c[k])) == kOrthogonalMarker[k]) ++k;
    if (k == length) return c;
  }
  return nullptr;
}

bool NameAsksOrthogonal(const char* name) { return FindOrthogonalMarker(name) != nullptr; }

void ToggleOrthogonalMode() {
  orthogonalMode = !orthogonalMode;
  if (orthogonalMode) {
    ShowStatus(
        "orthogonal grids on: step 1 maps every polygon conformally and step 2 orthogonalises the linked grid "
        "(Ctrl+R switches them off)");
  } else {
    ShowStatus("orthogonal grids off: step 1 spaces the nodes by arc length (Ctrl+R switches orthogonal grids on)");
  }
}

std::string OrthogonalGriddedText(int32_t total) {
  int32_t orthogonal = 0;
  double modulus = 0;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (IsMaskPolygon(k)) continue;
    const PatchOrigin origin = PatchOriginOf(k);
    if (origin.method != kConformalMethod) continue;
    ++orthogonal;
    modulus = origin.modulus;
  }
  if (orthogonal == 0) return "";
  if (total == 1) {
    if (!(modulus > 0)) return " orthogonally";
    char text[64];
    FormatC(text, sizeof text, " orthogonally (conformal modulus %.4f)", modulus);
    return text;
  }
  if (orthogonal == total) return ", all orthogonally";
  return ", " + std::to_string(orthogonal) + " of them orthogonally";
}

void ResetOrthogonalMode() { orthogonalMode = false; }

namespace {

struct Box {
  double xmin, xmax, ymin, ymax;
};

Box PolygonBox(const Polygon& p) {
  Box b{HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL};
  for (int32_t k = 0; k < p.count; ++k) {
    b.xmin = std::min(b.xmin, p.points[k].x);
    b.xmax = std::max(b.xmax, p.points[k].x);
    b.ymin = std::min(b.ymin, p.points[k].y);
    b.ymax = std::max(b.ymax, p.points[k].y);
  }
  return b;
}

// Distance from (px, py) to the closed outline of the polygon.
double OutlineDistance(const Polygon& p, double px, double py) {
  double best = HUGE_VAL;
  for (int32_t k = 0; k < p.count; ++k) {
    const PolygonPoint& a = p.points[k];
    const PolygonPoint& b = p.points[k + 1 == p.count ? 0 : k + 1];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(a.x + t * dx - px, a.y + t * dy - py));
  }
  return best;
}

}  // namespace

void MarkHeldSides(PatchPlan* plans, int32_t count) {
  std::vector<Box> boxes(static_cast<std::size_t>(count));
  for (int32_t q = 0; q < count; ++q) boxes[q] = PolygonBox(PolygonAt(q));
  for (int32_t p = 0; p < count; ++p) {
    PatchPlan& plan = plans[p];
    if (IsMaskPolygon(p) || !plan.orthogonal) continue;
    WorkingBoundary w;
    BuildWorkingBoundary(PolygonAt(p), w);
    PatchSide sides[4];
    PatchSides(w.count, plan.corners, plan.ni, plan.nj, plan.a, plan.b, sides);
    for (int s = 0; s < 4; ++s) {
      const PatchSide& side = sides[s];
      // The middle of every interval between the side's nodes, tested
      // against a tenth of the interval.
      for (int32_t n = 0; n < side.cells && !plan.held[s]; ++n) {
        const double t0 = SideFraction(side, n), t1 = SideFraction(side, n + 1);
        double x0, y0, x1, y1, mx, my;
        ArcPoint(w.x, w.y, w.count, side.start, side.points, t0, 0, x0, y0);
        ArcPoint(w.x, w.y, w.count, side.start, side.points, t1, 0, x1, y1);
        ArcPoint(w.x, w.y, w.count, side.start, side.points, (t0 + t1) / 2, 0, mx, my);
        const double tolerance = std::hypot(x1 - x0, y1 - y0) / 10;
        for (int32_t q = 0; q < count && !plan.held[s]; ++q) {
          if (q == p || IsMaskPolygon(q)) continue;
          const Box& b = boxes[q];
          if (mx < b.xmin - tolerance || mx > b.xmax + tolerance || my < b.ymin - tolerance ||
              my > b.ymax + tolerance) {
            continue;
          }
          if (OutlineDistance(PolygonAt(q), mx, my) < tolerance) plan.held[s] = true;
        }
      }
    }
    ReleaseWorkingBoundary(w);
  }
}

}  // namespace kestrel
