#include "grid/quality.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "formats/cnumbers.h"
#include "grid/gridstore.h"
#include "store/store.h"

namespace kestrel {

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

// The angle between two directions, 0..180 degrees.
double AngleBetween(double ux, double uy, double vx, double vy) {
  return std::fabs(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy)) * kDegrees;
}

double Ratio(double a, double b) {
  const double lo = std::min(a, b), hi = std::max(a, b);
  if (!(lo > 0)) return hi > 0 ? HUGE_VAL : 1.0;
  return hi / lo;
}

double EdgeMeanI(const double x[4], const double y[4]) {
  return (std::hypot(x[1] - x[0], y[1] - y[0]) + std::hypot(x[2] - x[3], y[2] - y[3])) * 0.5;
}

double EdgeMeanJ(const double x[4], const double y[4]) {
  return (std::hypot(x[3] - x[0], y[3] - y[0]) + std::hypot(x[2] - x[1], y[2] - y[1])) * 0.5;
}

void Add(MeasureSummary& s, double value, const double bands[3]) {
  ++s.cells;
  s.mean += value;
  s.largest = std::max(s.largest, value);
  for (int b = 0; b < 3; ++b) s.passing[b] += value < bands[b];
}

}  // namespace

void CellCornerNodes(int32_t k, int32_t i, int32_t j, double x[4], double y[4]) {
  const int32_t ni = grids.ni[k];
  const int32_t index[4] = {NodeIndex(ni, i, j), NodeIndex(ni, i + 1, j), NodeIndex(ni, i + 1, j + 1),
                            NodeIndex(ni, i, j + 1)};
  for (int c = 0; c < 4; ++c) {
    x[c] = grids.x[k][index[c]];
    y[c] = grids.y[k][index[c]];
  }
}

CellQuality MeasureCell(const double x[4], const double y[4]) {
  CellQuality q;
  // Corners in the order P00, P10, P11, P01: counter-clockwise for a cell
  // whose (i, j) frame has the handedness of (x, y).
  double area = 0;
  for (int c = 0; c < 4; ++c) {
    const int n = (c + 1) % 4;
    area += x[c] * y[n] - x[n] * y[c];
  }
  area *= 0.5;
  q.folded = !(area > 0);
  for (int c = 0; c < 4; ++c) {
    const int prev = (c + 3) % 4, next = (c + 1) % 4;
    const double ux = x[next] - x[c], uy = y[next] - y[c];  // along the boundary
    const double vx = x[prev] - x[c], vy = y[prev] - y[c];  // back along it
    // The interior angle, turning counter-clockwise from u to v.
    double angle = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy) * kDegrees;
    if (angle < 0) angle += 360;
    if (angle >= 180) q.folded = true;
    q.cornerAngle = std::max(q.cornerAngle, std::fabs(angle - 90));
  }
  // The i axis joins the middles of the low-i and high-i edges, the j axis
  // the middles of the low-j and high-j edges.
  const double iAxisX = (x[1] + x[2]) - (x[0] + x[3]), iAxisY = (y[1] + y[2]) - (y[0] + y[3]);
  const double jAxisX = (x[3] + x[2]) - (x[0] + x[1]), jAxisY = (y[3] + y[2]) - (y[0] + y[1]);
  q.orthogonality = std::fabs(AngleBetween(iAxisX, iAxisY, jAxisX, jAxisY) - 90);
  q.aspect = Ratio(EdgeMeanI(x, y), EdgeMeanJ(x, y));
  return q;
}

void CellEdgeSizes(const double x[4], const double y[4], double& dx, double& dy) {
  dx = EdgeMeanI(x, y);
  dy = EdgeMeanJ(x, y);
}

int OrthogonalityBand(double deviation) {
  for (int b = 0; b < 3; ++b) {
    if (deviation < kOrthogonalityBands[b]) return b;
  }
  return 3;
}

std::vector<CellQuality> MeasureGrid() {
  std::vector<CellQuality> cells;
  if (!gridsValid) return cells;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (k == clipPolygon || !grids.x || !grids.x[k]) continue;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    // DX and DY of every cell, NaN for inactive ones.
    std::vector<double> dx(static_cast<size_t>(ni) * nj, NAN), dy(dx.size(), NAN);
    std::vector<CellQuality> patch;
    for (int32_t j = 0; j < nj; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        if (!IsActiveCell(k, i, j)) continue;
        double x[4], y[4];
        CellCornerNodes(k, i, j, x, y);
        CellQuality q = MeasureCell(x, y);
        q.polygon = k;
        q.i = i;
        q.j = j;
        dx[static_cast<size_t>(j) * ni + i] = EdgeMeanI(x, y);
        dy[static_cast<size_t>(j) * ni + i] = EdgeMeanJ(x, y);
        patch.push_back(q);
      }
    }
    for (CellQuality& q : patch) {
      const size_t at = static_cast<size_t>(q.j) * ni + q.i;
      for (int di : {-1, 1}) {
        const int32_t i = q.i + di;
        if (i < 0 || i >= ni || std::isnan(dx[at + di])) continue;
        q.hasNeighbourI = true;
        q.sizeRatioI = std::max(q.sizeRatioI, Ratio(dx[at], dx[at + di]));
      }
      for (int dj : {-1, 1}) {
        const int32_t j = q.j + dj;
        if (j < 0 || j >= nj) continue;
        const size_t other = static_cast<size_t>(j) * ni + q.i;
        if (std::isnan(dy[other])) continue;
        q.hasNeighbourJ = true;
        q.sizeRatioJ = std::max(q.sizeRatioJ, Ratio(dy[at], dy[other]));
      }
    }
    cells.insert(cells.end(), patch.begin(), patch.end());
  }
  return cells;
}

QualitySummary Summarise(const std::vector<CellQuality>& cells, int32_t polygon) {
  QualitySummary s;
  for (const CellQuality& q : cells) {
    if (polygon >= 0 && q.polygon != polygon) continue;
    ++s.cells;
    s.folded += q.folded;
    Add(s.orthogonality, q.orthogonality, kOrthogonalityBands);
    Add(s.cornerAngle, q.cornerAngle, kOrthogonalityBands);
    Add(s.aspect, q.aspect, kAspectBands);
    if (q.hasNeighbourI) Add(s.sizeRatioI, q.sizeRatioI, kSizeRatioBands);
    if (q.hasNeighbourJ) Add(s.sizeRatioJ, q.sizeRatioJ, kSizeRatioBands);
  }
  for (MeasureSummary* m : {&s.orthogonality, &s.cornerAngle, &s.aspect, &s.sizeRatioI, &s.sizeRatioJ}) {
    if (m->cells > 0) m->mean /= static_cast<double>(m->cells);
  }
  return s;
}

std::string QualityStatusLine(const QualitySummary& all) {
  char text[256];
  FormatC(text, sizeof text,
          "orthogonality deviation up to %.1f deg (mean %.2f), aspect ratio up to %.1f, %li folded cells",
          all.orthogonality.largest, all.orthogonality.mean, all.aspect.largest, all.folded);
  return text;
}

int32_t MostFoldedPolygon(const std::vector<CellQuality>& cells) {
  // The cells come in polygon order: count each polygon's run.
  int32_t worst = -1;
  long worstCount = 0, count = 0;
  for (size_t n = 0; n < cells.size(); ++n) {
    if (n > 0 && cells[n].polygon != cells[n - 1].polygon) count = 0;
    count += cells[n].folded;
    if (count > worstCount) {
      worstCount = count;
      worst = cells[n].polygon;
    }
  }
  return worst;
}

std::string PatchCellLabel(const CellQuality& cell) {
  char text[64];
  std::snprintf(text, sizeof text, "cell i %i, j %i", cell.i + 1, cell.j + 1);
  return text;
}

namespace {

void AppendLine(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendLine(std::string& out, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  VFormatC(line, sizeof line, format, args);
  va_end(args);
  out += line;
  out += '\n';
}

void AppendMeasure(std::string& out, const char* name, const MeasureSummary& m, const double bands[3],
                   const char* unit) {
  if (m.cells == 0) {
    AppendLine(out, "  %-28s no cells", name);
    return;
  }
  AppendLine(out, "  %-28s mean %10.3f  largest %10.3f  below %g%s: %li  below %g%s: %li  below %g%s: %li  (of %li)",
             name, m.mean, m.largest, bands[0], unit, m.passing[0], bands[1], unit, m.passing[1], bands[2], unit,
             m.passing[2], m.cells);
}

void AppendSummary(std::string& out, const QualitySummary& s) {
  AppendLine(out, "  cells %li, folded cells %li", s.cells, s.folded);
  AppendMeasure(out, "orthogonality deviation", s.orthogonality, kOrthogonalityBands, " deg");
  AppendMeasure(out, "largest corner deviation", s.cornerAngle, kOrthogonalityBands, " deg");
  AppendMeasure(out, "aspect ratio", s.aspect, kAspectBands, "");
  AppendMeasure(out, "size ratio along i (DX)", s.sizeRatioI, kSizeRatioBands, "");
  AppendMeasure(out, "size ratio along j (DY)", s.sizeRatioJ, kSizeRatioBands, "");
}

}  // namespace

std::string QualityReport(const std::vector<CellQuality>& cells, CellLabel label) {
  std::string out;
  AppendLine(out, "Grid quality report");
  AppendLine(out, "%s", "");
  AppendLine(out, "Orthogonality deviation: how far the angle between a cell's i and j axes");
  AppendLine(out, "(the lines joining the middles of opposite edges) is from 90 degrees.");
  AppendLine(out, "Corner deviation: the largest difference of a corner angle from 90 degrees.");
  AppendLine(out, "Aspect ratio: the longer of DX and DY over the shorter.");
  AppendLine(out, "Size ratio: the larger over the smaller DX (along i) or DY (along j) of a");
  AppendLine(out, "cell and its neighbours in the same polygon. A folded cell has a corner of");
  AppendLine(out, "180 degrees or more, or no positive area.");
  AppendLine(out, "%s", "");
  AppendLine(out, "Whole grid");
  AppendSummary(out, Summarise(cells));
  std::vector<int32_t> polygons;
  for (const CellQuality& q : cells) {
    if (polygons.empty() || polygons.back() != q.polygon) polygons.push_back(q.polygon);
  }
  for (int32_t k : polygons) {
    AppendLine(out, "%s", "");
    AppendLine(out, "Polygon %i (%s)", k + 1, k < store.polygonCount ? PolygonAt(k).name : "");
    AppendSummary(out, Summarise(cells, k));
  }
  std::vector<const CellQuality*> worst;
  for (const CellQuality& q : cells) worst.push_back(&q);
  const size_t shown = std::min<size_t>(10, worst.size());
  std::partial_sort(worst.begin(), worst.begin() + static_cast<long>(shown), worst.end(),
                    [](const CellQuality* a, const CellQuality* b) {
                      // Worst first; equal cells in polygon, row, column order.
                      if (a->orthogonality != b->orthogonality) return a->orthogonality > b->orthogonality;
                      if (a->polygon != b->polygon) return a->polygon < b->polygon;
                      if (a->j != b->j) return a->j < b->j;
                      return a->i < b->i;
                    });
  AppendLine(out, "%s", "");
  AppendLine(out, "The %zu worst cells by orthogonality deviation", shown);
  for (size_t n = 0; n < shown; ++n) {
    const CellQuality& q = *worst[n];
    AppendLine(out, "  %2zu. polygon %i, %s: %.3f degrees%s", n + 1, q.polygon + 1, label(q).c_str(), q.orthogonality,
               q.folded ? " (folded)" : "");
  }
  return out;
}

}  // namespace kestrel
