#include "grid/gridstore.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "app/report.h"

namespace kestrel {

GridStore grids;

namespace {

// A land polygon with its box, so that most cells are settled by the box.
struct LandPolygon {
  int32_t index;
  double xmin, xmax, ymin, ymax;
};
std::vector<LandPolygon> landPolygons;

bool InsideLand(double cx, double cy) {
  for (const LandPolygon& land : landPolygons) {
    if (cx < land.xmin || cx > land.xmax || cy < land.ymin || cy > land.ymax) continue;
    if (land.index < store.polygonCount && PointInPolygon(PolygonAt(land.index), cx, cy) == 1) return true;
  }
  return false;
}

}  // namespace

bool IsLandName(const char* name) {
  static const char land[] = "land";
  for (int k = 0; k < 5; ++k) {
    if (std::tolower(static_cast<unsigned char>(name[k])) != land[k]) return false;
  }
  return true;
}

void FindLandPolygons() {
  landPolygons.clear();
  for (int32_t k = 0; k < store.polygonCount; ++k) {
    const Polygon& p = PolygonAt(k);
    if (!IsLandName(p.name) || p.count < 1) continue;
    LandPolygon land{k, p.points[0].x, p.points[0].x, p.points[0].y, p.points[0].y};
    for (int32_t n = 1; n < p.count; ++n) {
      land.xmin = std::min(land.xmin, p.points[n].x);
      land.xmax = std::max(land.xmax, p.points[n].x);
      land.ymin = std::min(land.ymin, p.points[n].y);
      land.ymax = std::max(land.ymax, p.points[n].y);
    }
    landPolygons.push_back(land);
  }
}

bool IsLandPolygon(int32_t k) {
  for (const LandPolygon& land : landPolygons) {
    if (land.index == k) return true;
  }
  return false;
}

bool IsMaskPolygon(int32_t k) { return k == clipPolygon || IsLandPolygon(k); }

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
  if (clipPolygon < 0 && landPolygons.empty()) return true;
  double cx, cy;
  CellCentre(k, i, j, cx, cy);
  if (clipPolygon >= 0 && PointInPolygon(PolygonAt(clipPolygon), cx, cy) != 1) return false;
  return !InsideLand(cx, cy);
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
  grids = GridStore{};
  landPolygons.clear();
}

}  // namespace kestrel
