#include "depth/celldepth.h"

#include <cpl_error.h>
#include <gdal_alg.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>

#include "app/report.h"
#include "depth/bathymetry.h"
#include "depth/pointindex.h"
#include "formats/georef.h"
#include "grid/gridstore.h"
#include "store/store.h"

namespace kestrel {

namespace {

// At most this many raster cells are read for one source; a larger window
// under the grid is read averaged down to about this size.
constexpr double kMostRasterCells = 16.0 * 1024 * 1024;
// Surveys of up to this many points are triangulated whole at once.
constexpr size_t kWholeTriangulation = 50000;

struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

// One active cell: its patch place, its corners P00, P10, P11, P01 and centre.
struct ActiveCell {
  int32_t k, i, j;
  double x[4], y[4];
  double cx, cy;
  // The survey value while the sources are worked through.
  double value = NAN;
  DepthMethod method = DepthMethod::None;
  int32_t source = -1;
};

std::vector<ActiveCell> ActiveCells() {
  std::vector<ActiveCell> cells;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (k == clipPolygon || !grids.x || !grids.x[k] || !grids.y[k]) continue;
    const int32_t ni = grids.ni[k];
    for (int32_t j = 0; j < grids.nj[k]; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        if (!IsActiveCell(k, i, j)) continue;
        ActiveCell c{k, i, j, {}, {}, 0, 0};
        const int32_t nodes[4] = {NodeIndex(ni, i, j), NodeIndex(ni, i + 1, j), NodeIndex(ni, i + 1, j + 1),
                                  NodeIndex(ni, i, j + 1)};
        for (int n = 0; n < 4; ++n) {
          c.x[n] = grids.x[k][nodes[n]];
          c.y[n] = grids.y[k][nodes[n]];
        }
        c.cx = (c.x[0] + c.x[1] + c.x[2] + c.x[3]) * 0.25;
        c.cy = (c.y[0] + c.y[1] + c.y[2] + c.y[3]) * 0.25;
        cells.push_back(c);
      }
    }
  }
  return cells;
}

// Even-odd test against a quadrilateral. A point on an edge shared by two
// cells falls in one of them only.
bool InQuad(const double x[4], const double y[4], double px, double py) {
  bool inside = false;
  for (int a = 0, b = 3; a < 4; b = a++) {
    if ((y[a] > py) != (y[b] > py) && px < (x[b] - x[a]) * (py - y[a]) / (y[b] - y[a]) + x[a]) inside = !inside;
  }
  return inside;
}

// Moves coordinates from one reference system into another.
class Reprojection {
 public:
  // Between the survey's reference system and the grid's, either way. The
  // coordinates stay as they are when either system is unknown or both are
  // the same. Fails when the survey is in longitude and latitude while the
  // polygons have no reference system, or when PROJ knows no way between.
  bool Open(const std::string& survey, const std::string& grid, bool towardsSurvey, const std::string& file,
            std::string& problem) {
    if (survey.empty()) return true;
    QuietGdal quiet;
    OGRSpatialReference surveySystem, gridSystem;
    surveySystem.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    gridSystem.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (surveySystem.importFromWkt(survey.c_str()) != OGRERR_NONE) return true;
    if (grid.empty() || gridSystem.importFromWkt(grid.c_str()) != OGRERR_NONE) {
      if (surveySystem.IsGeographic()) {
        problem = file + " is in longitude and latitude, but the polygons have no reference system to move it into";
        return false;
      }
      return true;
    }
    if (surveySystem.IsSame(&gridSystem)) return true;
    OGRSpatialReference& from = towardsSurvey ? gridSystem : surveySystem;
    OGRSpatialReference& to = towardsSurvey ? surveySystem : gridSystem;
    transform_.reset(OGRCreateCoordinateTransformation(&from, &to));
    if (!transform_) {
      problem = "can't move " + file + " from " + Name(surveySystem) + " into " + Name(gridSystem);
      return false;
    }
    return true;
  }

  // Moves the points in place; those that cannot be moved become NaN.
  void Apply(std::vector<double>& x, std::vector<double>& y) const {
    if (!transform_) return;
    constexpr size_t kChunk = 1 << 20;
    std::vector<int> ok(std::min(kChunk, x.size()));
    QuietGdal quiet;
    for (size_t at = 0; at < x.size(); at += kChunk) {
      const int n = static_cast<int>(std::min(kChunk, x.size() - at));
      transform_->Transform(n, x.data() + at, y.data() + at, nullptr, ok.data());
      for (int k = 0; k < n; ++k) {
        if (!ok[k]) x[at + k] = y[at + k] = NAN;
      }
    }
  }

 private:
  static std::string Name(const OGRSpatialReference& srs) {
    const char* name = srs.GetName();
    return name && *name ? name : "an unnamed reference system";
  }
  struct Destroy {
    void operator()(OGRCoordinateTransformation* t) const { OGRCoordinateTransformation::DestroyCT(t); }
  };
  std::unique_ptr<OGRCoordinateTransformation, Destroy> transform_;
};

struct TriangulationFree {
  void operator()(GDALTriangulation* t) const { GDALTriangulationFree(t); }
};

// Linear interpolation in the Delaunay triangulation of scattered points.
class Triangulation {
 public:
  // Builds it from the finite points; duplicates share one vertex with the
  // mean of their values. Returns false when the points span no area.
  bool Build(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& z) {
    std::vector<size_t> order;
    for (size_t k = 0; k < x.size(); ++k) {
      if (std::isfinite(x[k]) && std::isfinite(y[k])) order.push_back(k);
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x[a] != x[b] ? x[a] < x[b] : y[a] < y[b]; });
    for (size_t n = 0; n < order.size();) {
      size_t m = n;
      double sum = 0;
      while (m < order.size() && x[order[m]] == x[order[n]] && y[order[m]] == y[order[n]]) sum += z[order[m++]];
      x_.push_back(x[order[n]]);
      y_.push_back(y[order[n]]);
      z_.push_back(sum / static_cast<double>(m - n));
      n = m;
    }
    if (x_.size() < 3 || !SpansArea()) return false;
    // Coordinates near the origin keep the triangulation's arithmetic exact
    // enough for grids far from it.
    ox_ = x_[0];
    oy_ = y_[0];
    for (size_t k = 0; k < x_.size(); ++k) {
      x_[k] -= ox_;
      y_[k] -= oy_;
    }
    if (!GDALHasTriangulation() || x_.size() > static_cast<size_t>(INT32_MAX)) return false;
    QuietGdal quiet;
    dt_.reset(GDALTriangulationCreateDelaunay(static_cast<int>(x_.size()), x_.data(), y_.data()));
    if (!dt_ || dt_->nFacets < 1 || !GDALTriangulationComputeBarycentricCoefficients(dt_.get(), x_.data(), y_.data())) {
      dt_.reset();
      return false;
    }
    return true;
  }

  // The interpolated value at (px, py), or false outside the triangulation.
  // Successive places close together are found quickly by walking from the
  // triangle of the last one.
  bool At(double px, double py, double& value) {
    if (!dt_) return false;
    px -= ox_;
    py -= oy_;
    int facet = -1;
    const int found = GDALTriangulationFindFacetDirected(dt_.get(), last_, px, py, &facet);
    if (facet >= 0) last_ = facet;
    if (!found || facet < 0) return false;
    double l1, l2, l3;
    if (!GDALTriangulationComputeBarycentricCoordinates(dt_.get(), facet, px, py, &l1, &l2, &l3)) return false;
    const int* v = dt_->pasFacets[facet].anVertexIdx;
    value = l1 * z_[v[0]] + l2 * z_[v[1]] + l3 * z_[v[2]];
    return std::isfinite(value);
  }

 private:
  // Whether the points do not all lie on one line.
  bool SpansArea() const {
    size_t far = 0;
    double longest = 0;
    for (size_t k = 1; k < x_.size(); ++k) {
      const double d = std::hypot(x_[k] - x_[0], y_[k] - y_[0]);
      if (d > longest) {
        longest = d;
        far = k;
      }
    }
    if (!(longest > 0)) return false;
    const double ux = (x_[far] - x_[0]) / longest, uy = (y_[far] - y_[0]) / longest;
    for (size_t k = 1; k < x_.size(); ++k) {
      if (std::fabs(ux * (y_[k] - y_[0]) - uy * (x_[k] - x_[0])) > 1e-9 * longest) return true;
    }
    return false;
  }

  std::vector<double> x_, y_, z_;
  double ox_ = 0, oy_ = 0;
  int last_ = 0;
  std::unique_ptr<GDALTriangulation, TriangulationFree> dt_;
};

void FillFromPoints(const SurveySource& source, int32_t number, const Reprojection& move,
                    std::vector<ActiveCell*>& empty) {
  std::vector<double> x = source.x, y = source.y;
  move.Apply(x, y);
  const std::vector<double>& z = source.z;
  {
    // Points that could not be moved are NaN and lie in no cell.
    PointIndex index(x.data(), y.data(), x.size());
    for (ActiveCell* c : empty) {
      const double xmin = *std::min_element(c->x, c->x + 4), xmax = *std::max_element(c->x, c->x + 4);
      const double ymin = *std::min_element(c->y, c->y + 4), ymax = *std::max_element(c->y, c->y + 4);
      double sum = 0;
      long n = 0;
      index.ForEachNear(xmin, ymin, xmax, ymax, [&](uint32_t k) {
        if (InQuad(c->x, c->y, x[k], y[k])) {
          sum += z[k];
          ++n;
        }
      });
      if (n > 0) {
        c->value = sum / static_cast<double>(n);
        c->method = DepthMethod::PointMean;
        c->source = number;
      }
    }
  }
  std::erase_if(empty, [](const ActiveCell* c) { return c->method != DepthMethod::None; });
  if (empty.empty()) return;
  // Points far from the cells do not shape the interpolation inside them,
  // but they make the triangulation slow: a large survey is triangulated
  // first with the points around the cells, and whole only for the cells
  // that leaves outside.
  std::vector<double> nearX, nearY, nearZ;
  if (x.size() > kWholeTriangulation) {
    double xmin = HUGE_VAL, xmax = -HUGE_VAL, ymin = HUGE_VAL, ymax = -HUGE_VAL;
    for (const ActiveCell* c : empty) {
      xmin = std::min(xmin, c->cx);
      xmax = std::max(xmax, c->cx);
      ymin = std::min(ymin, c->cy);
      ymax = std::max(ymax, c->cy);
    }
    double pxmin = HUGE_VAL, pxmax = -HUGE_VAL, pymin = HUGE_VAL, pymax = -HUGE_VAL;
    for (size_t k = 0; k < x.size(); ++k) {
      if (!std::isfinite(x[k])) continue;
      pxmin = std::min(pxmin, x[k]);
      pxmax = std::max(pxmax, x[k]);
      pymin = std::min(pymin, y[k]);
      pymax = std::max(pymax, y[k]);
    }
    const double spacing = std::sqrt((pxmax - pxmin) * (pymax - pymin) / static_cast<double>(x.size()));
    const double margin = std::max(0.25 * std::hypot(xmax - xmin, ymax - ymin), 10 * spacing);
    for (size_t k = 0; k < x.size(); ++k) {
      if (x[k] < xmin - margin || x[k] > xmax + margin || y[k] < ymin - margin || y[k] > ymax + margin) continue;
      nearX.push_back(x[k]);
      nearY.push_back(y[k]);
      nearZ.push_back(z[k]);
    }
  }
  const bool cropped = !nearX.empty() && nearX.size() < x.size();
  for (int pass = cropped ? 0 : 1; pass < 2 && !empty.empty(); ++pass) {
    const std::vector<double>& px = pass == 0 ? nearX : x;
    const std::vector<double>& py = pass == 0 ? nearY : y;
    const std::vector<double>& pz = pass == 0 ? nearZ : z;
    ShowStatusF(true, "triangulating %zu survey points of %s", px.size(), source.name.c_str());
    Triangulation triangles;
    if (!triangles.Build(px, py, pz)) continue;
    for (ActiveCell* c : empty) {
      double value;
      if (!triangles.At(c->cx, c->cy, value)) continue;
      c->value = value;
      c->method = DepthMethod::Linear;
      c->source = number;
    }
    std::erase_if(empty, [](const ActiveCell* c) { return c->method != DepthMethod::None; });
  }
}

bool FillFromRaster(const SurveySource& source, int32_t number, const Reprojection& toRaster,
                    std::vector<ActiveCell*>& empty, std::string& problem) {
  // Corners and centre of every empty cell, in the raster's cells: column u
  // and row v, cell (c, r) covering [c, c + 1) x [r, r + 1).
  std::vector<double> u, v;
  u.reserve(empty.size() * 5);
  v.reserve(empty.size() * 5);
  for (const ActiveCell* c : empty) {
    for (int n = 0; n < 4; ++n) {
      u.push_back(c->x[n]);
      v.push_back(c->y[n]);
    }
    u.push_back(c->cx);
    v.push_back(c->cy);
  }
  toRaster.Apply(u, v);
  double t[6], inverse[6];
  std::memcpy(t, source.transform, sizeof t);
  if (!GDALInvGeoTransform(t, inverse)) {
    problem = "the georeference of " + source.name + " can't be inverted";
    return false;
  }
  double umin = HUGE_VAL, umax = -HUGE_VAL, vmin = HUGE_VAL, vmax = -HUGE_VAL;
  for (size_t n = 0; n < u.size(); ++n) {
    const double gx = u[n], gy = v[n];
    u[n] = inverse[0] + gx * inverse[1] + gy * inverse[2];
    v[n] = inverse[3] + gx * inverse[4] + gy * inverse[5];
    if (!std::isfinite(u[n]) || !std::isfinite(v[n])) continue;
    umin = std::min(umin, u[n]);
    umax = std::max(umax, u[n]);
    vmin = std::min(vmin, v[n]);
    vmax = std::max(vmax, v[n]);
  }
  // The raster cells under the cells, with one more all round for the
  // bilinear interpolation.
  const double c0 = std::max(0.0, std::floor(umin) - 1), c1 = std::min<double>(source.columns, std::ceil(umax) + 1);
  const double r0 = std::max(0.0, std::floor(vmin) - 1), r1 = std::min<double>(source.rows, std::ceil(vmax) + 1);
  if (!(c1 > c0 && r1 > r0)) return true;  // the raster lies beside the grid
  const int32_t column = static_cast<int32_t>(c0), row = static_cast<int32_t>(r0);
  const int32_t width = static_cast<int32_t>(c1 - c0), height = static_cast<int32_t>(r1 - r0);
  const double shrink = std::max(1.0, std::ceil(std::sqrt(static_cast<double>(width) * height / kMostRasterCells)));
  const int32_t outWidth = static_cast<int32_t>(std::ceil(width / shrink));
  const int32_t outHeight = static_cast<int32_t>(std::ceil(height / shrink));
  const double su = static_cast<double>(outWidth) / width, sv = static_cast<double>(outHeight) / height;
  ShowStatusF(true, "reading %i x %i cells of %s", width, height, source.name.c_str());
  std::vector<double> values;
  if (!ReadRasterWindow(source, column, row, width, height, outWidth, outHeight, values, problem)) {
    problem = "can't read " + source.name + ": " + problem;
    return false;
  }
  auto at = [&](int32_t c, int32_t r) { return values[static_cast<size_t>(r) * outWidth + c]; };
  for (size_t n = 0; n < empty.size(); ++n) {
    ActiveCell* cell = empty[n];
    double qu[4], qv[4];
    bool placed = true;
    for (int q = 0; q < 5; ++q) {
      const double pu = (u[n * 5 + q] - column) * su, pv = (v[n * 5 + q] - row) * sv;
      placed = placed && std::isfinite(pu) && std::isfinite(pv);
      if (q < 4) {
        qu[q] = pu;
        qv[q] = pv;
      }
    }
    if (!placed) continue;
    // The raster cells whose centre lies in the cell.
    const int32_t ca = std::max<int32_t>(0, static_cast<int32_t>(std::floor(*std::min_element(qu, qu + 4))));
    const int32_t cb = std::min<int32_t>(outWidth - 1, static_cast<int32_t>(std::floor(*std::max_element(qu, qu + 4))));
    const int32_t ra = std::max<int32_t>(0, static_cast<int32_t>(std::floor(*std::min_element(qv, qv + 4))));
    const int32_t rb =
        std::min<int32_t>(outHeight - 1, static_cast<int32_t>(std::floor(*std::max_element(qv, qv + 4))));
    double sum = 0;
    long count = 0;
    for (int32_t r = ra; r <= rb; ++r) {
      for (int32_t c = ca; c <= cb; ++c) {
        const double value = at(c, r);
        if (std::isnan(value) || !InQuad(qu, qv, c + 0.5, r + 0.5)) continue;
        sum += value;
        ++count;
      }
    }
    if (count > 0) {
      cell->value = sum / static_cast<double>(count);
      cell->method = DepthMethod::RasterMean;
      cell->source = number;
      continue;
    }
    // Else bilinear between the four raster cell centres around the cell
    // centre, those without data left out.
    const double pu = (u[n * 5 + 4] - column) * su, pv = (v[n * 5 + 4] - row) * sv;
    const double gu = pu / su + column, gv = pv / sv + row;  // in whole-raster cells
    if (gu < 0 || gv < 0 || gu > source.columns || gv > source.rows) continue;
    const double s = pu - 0.5, tt = pv - 0.5;
    const int32_t cl = static_cast<int32_t>(std::floor(s)), rl = static_cast<int32_t>(std::floor(tt));
    const double fs = s - cl, ft = tt - rl;
    double weighted = 0, weights = 0;
    for (int corner = 0; corner < 4; ++corner) {
      const int32_t c = std::clamp(cl + (corner & 1), 0, outWidth - 1);
      const int32_t r = std::clamp(rl + (corner >> 1), 0, outHeight - 1);
      const double w = ((corner & 1) ? fs : 1 - fs) * ((corner >> 1) ? ft : 1 - ft);
      const double value = at(c, r);
      if (std::isnan(value) || !(w > 0)) continue;
      weighted += w * value;
      weights += w;
    }
    if (weights > 1e-12) {
      cell->value = weighted / weights;
      cell->method = DepthMethod::Bilinear;
      cell->source = number;
    }
  }
  return true;
}

// Cells no source reached take the value of the nearest cell one did.
bool FillNearest(std::vector<ActiveCell>& cells) {
  std::vector<double> x, y;
  std::vector<size_t> owner;
  for (size_t n = 0; n < cells.size(); ++n) {
    if (cells[n].method == DepthMethod::None) continue;
    x.push_back(cells[n].cx);
    y.push_back(cells[n].cy);
    owner.push_back(n);
  }
  if (x.empty()) return false;
  PointIndex index(x.data(), y.data(), x.size());
  for (ActiveCell& c : cells) {
    if (c.method != DepthMethod::None) continue;
    const long k = index.Nearest(c.cx, c.cy);
    c.value = cells[owner[static_cast<size_t>(k)]].value;
    c.method = DepthMethod::Nearest;
  }
  return true;
}

bool ComputeDepths(DepthField& field, std::string& problem) {
  std::vector<ActiveCell> cells = ActiveCells();
  if (cells.empty()) {
    problem = "the grid has no active cells";
    return false;
  }
  for (size_t s = 0; s < bathymetrySources.size(); ++s) {
    const SurveySource& source = bathymetrySources[s];
    std::vector<ActiveCell*> empty;
    for (ActiveCell& c : cells) {
      if (c.method == DepthMethod::None) empty.push_back(&c);
    }
    if (empty.empty()) break;
    ShowStatusF(true, "working out depths from %s", source.name.c_str());
    const int32_t number = static_cast<int32_t>(s);
    // Points move onto the grid; for a raster the cells move onto it.
    const bool raster = source.kind == SurveyKind::Raster;
    Reprojection move;
    if (!move.Open(source.referenceSystem, referenceSystem, raster, source.name, problem)) return false;
    if (!raster) {
      FillFromPoints(source, number, move, empty);
    } else if (!FillFromRaster(source, number, move, empty, problem)) {
      return false;
    }
  }
  if (!FillNearest(cells)) {
    std::string names;
    for (const SurveySource& source : bathymetrySources) names += (names.empty() ? "" : ", ") + source.name;
    problem = "the survey data of " + names +
              " reach no cell of the grid: do they lie in the reference system of the polygons?";
    return false;
  }

  field = DepthField{};
  field.perSource.assign(bathymetrySources.size(), 0);
  field.cells.resize(static_cast<size_t>(std::max(grids.patchCount, 0)));
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (k == clipPolygon || !grids.x || !grids.x[k]) continue;
    field.cells[k].resize(static_cast<size_t>(grids.ni[k]) * grids.nj[k]);
  }
  bool first = true;
  for (const ActiveCell& c : cells) {
    CellDepth& d = field.cells[c.k][static_cast<size_t>(c.j) * grids.ni[c.k] + c.i];
    d.method = c.method;
    d.source = c.source;
    d.elevation = depthOptions.soundings ? -c.value : c.value;
    d.surveyed = d.elevation;
    d.depth = depthOptions.waterLevel - d.elevation;
    if (!(d.depth >= depthOptions.minDepth)) {
      d.depth = depthOptions.minDepth;
      d.elevation = depthOptions.waterLevel - depthOptions.minDepth;
      d.raised = true;
      ++field.raised;
    }
    ++field.count[static_cast<int>(d.method)];
    if (d.source >= 0) ++field.perSource[static_cast<size_t>(d.source)];
    field.shallowest = first ? d.depth : std::min(field.shallowest, d.depth);
    field.deepest = first ? d.depth : std::max(field.deepest, d.depth);
    first = false;
  }
  return true;
}

// What the cached depths were computed from.
uint64_t Fingerprint() {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t k = 0; k < n; ++k) {
      h ^= p[k];
      h *= 1099511628211ull;
    }
  };
  mix(&grids.patchCount, sizeof grids.patchCount);
  mix(&clipPolygon, sizeof clipPolygon);
  mix(&gridsValid, sizeof gridsValid);
  mix(&bathymetryVersion, sizeof bathymetryVersion);
  mix(&depthOptions.soundings, sizeof depthOptions.soundings);
  mix(&depthOptions.waterLevel, sizeof depthOptions.waterLevel);
  mix(&depthOptions.minDepth, sizeof depthOptions.minDepth);
  mix(referenceSystem.data(), referenceSystem.size());
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (!grids.ni || !grids.x || !grids.x[k] || !grids.y[k]) continue;
    mix(&grids.ni[k], sizeof(int32_t));
    mix(&grids.nj[k], sizeof(int32_t));
    const size_t nodes = static_cast<size_t>(grids.ni[k] + 1) * (grids.nj[k] + 1);
    mix(grids.x[k], nodes * sizeof(double));
    mix(grids.y[k], nodes * sizeof(double));
  }
  if (clipPolygon >= 0 && clipPolygon < store.polygonCount) {
    const Polygon& clip = PolygonAt(clipPolygon);
    mix(clip.points, static_cast<size_t>(clip.count) * sizeof(PolygonPoint));
  }
  // The land polygons decide which cells are water as the clip polygon does.
  for (int32_t k = 0; k < store.polygonCount; ++k) {
    if (!IsLandPolygon(k)) continue;
    const Polygon& land = PolygonAt(k);
    mix(&k, sizeof k);
    mix(land.points, static_cast<size_t>(land.count) * sizeof(PolygonPoint));
  }
  return h;
}

struct DepthCache {
  bool valid = false;
  bool failed = false;
  uint64_t fingerprint = 0;
  DepthField field;
  std::string problem;
};
DepthCache cache;

}  // namespace

const DepthField* CurrentDepths(bool quiet) {
  if (bathymetrySources.empty() || gridsValid != 1 || grids.patchCount < 1) return nullptr;
  const uint64_t fingerprint = Fingerprint();
  if (cache.valid && cache.fingerprint == fingerprint) return cache.failed ? nullptr : &cache.field;
  if (quiet) return nullptr;
  cache.valid = true;
  cache.fingerprint = fingerprint;
  cache.problem.clear();
  try {
    cache.failed = !ComputeDepths(cache.field, cache.problem);
  } catch (const std::bad_alloc&) {
    cache.failed = true;
    cache.problem = "the survey data do not fit in memory";
  }
  if (cache.failed) {
    cache.field = DepthField{};
    Notify(7110, "no depths for the grid: %s", cache.problem.c_str());
    return nullptr;
  }
  return &cache.field;
}

const std::string& DepthProblem() { return cache.problem; }

bool DepthsPending() {
  if (bathymetrySources.empty() || gridsValid != 1 || grids.patchCount < 1) return false;
  return !cache.valid || cache.fingerprint != Fingerprint();
}

const char* DepthMethodName(DepthMethod method) {
  switch (method) {
    case DepthMethod::PointMean:
      return "mean of the survey points in the cell";
    case DepthMethod::Linear:
      return "linear between survey points";
    case DepthMethod::RasterMean:
      return "mean of the raster cells in the cell";
    case DepthMethod::Bilinear:
      return "bilinear in the raster";
    case DepthMethod::Nearest:
      return "nearest value (no survey data within reach)";
    case DepthMethod::None:
      break;
  }
  return "not active";
}

void ResetCellDepths() { cache = DepthCache{}; }

}  // namespace kestrel
