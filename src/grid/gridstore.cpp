#include "grid/gridstore.h"

#include "app/report.h"

namespace kestrel {

GridStore grids;

int PointInPolygon(const Polygon& polygon, double px, double py) {
  const int32_t n = polygon.count;
  if (n < 1) return 0;
  const PolygonPoint* p = polygon.points;
  int crossings = 0;
  double xp = p[n - 1].x, yp = p[n - 1].y;
  for (int32_t k = 0; k < n; ++k) {
    const double xc = p[k].x, yc = p[k].y;
    if ((py < yp) != (py < yc)) {
      if (px < xp && px < xc) {
        ++crossings;
      } else {
        const double d1 = (xc - xp) * (py - yp);
        const double d2 = (yc - yp) * (px - xp);
        if (yp < yc ? d1 > d2 : d1 < d2) ++crossings;
      }
    }
    xp = xc;
    yp = yc;
  }
  return crossings % 2;
}

void CellCentre(int32_t k, int32_t i, int32_t j, double& cx, double& cy) {
  const int32_t ni = grids.ni[k];
  const double* x = grids.x[k];
  const double* y = grids.y[k];
  const int32_t a = NodeIndex(ni, i, j), b = NodeIndex(ni, i, j + 1);
  const int32_t c = NodeIndex(ni, i + 1, j + 1), d = NodeIndex(ni, i + 1, j);
  cx = (x[a] + x[b] + x[c] + x[d]) * 0.25;
  cy = (y[a] + y[b] + y[c] + y[d]) * 0.25;
}

bool IsActiveCell(int32_t k, int32_t i, int32_t j) {
  if (clipPolygon < 0) return true;
  double cx, cy;
  CellCentre(k, i, j, cx, cy);
  return PointInPolygon(PolygonAt(clipPolygon), cx, cy) == 1;
}

PatchOrigin PatchOriginOf(int32_t k) {
  if (!grids.origin || k < 0 || k >= grids.patchCount) return PatchOrigin{};
  return grids.origin[k];
}

void ReleaseGridStore() {
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (grids.x) FreeBlock(grids.x[k]);
    if (grids.y) FreeBlock(grids.y[k]);
  }
  FreeBlock(grids.ni);
  FreeBlock(grids.nj);
  FreeBlock(grids.x);
  FreeBlock(grids.y);
  FreeBlock(grids.origin);
  grids = GridStore{};
}

}  // namespace kestrel
