#include "grid/driver.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/buttons.h"
#include "app/report.h"
#include "edit/journal.h"
#include "formats/cnumbers.h"
#include "grid/conformal.h"
#include "grid/gridstore.h"
#include "grid/interior.h"
#include "grid/names.h"
#include "grid/orthogonal.h"
#include "grid/outline.h"
#include "grid/patchwork.h"
#include "grid/quality.h"
#include "grid/stop.h"
#include "view/view.h"

namespace kestrel {

namespace {

bool IsClipName(const char* name) {
  static const char clip[] = "clip";
  for (int k = 0; k < 5; ++k) {
    if (std::tolower(static_cast<unsigned char>(name[k])) != clip[k]) return false;
  }
  return true;
}

bool IsSuitable(const Polygon& p) { return p.closed == 1 && p.count > 4; }

// A stop of step 1 is shown in a box with OK and Cancel; either answer only
// closes it.
void StopBox(const char* caption, const char* format, ...) __attribute__((format(printf, 2, 3)));
void StopBox(const char* caption, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  VFormatC(text, sizeof text, format, args);
  va_end(args);
  UI().AskOkCancel(caption, text);
}

// The end of every run: bounds, extents, buttons and plot follow the store.
void Finish() {
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

// A run that builds no grids.
void Stop() {
  ReleaseGridStore();
  gridsValid = 0;
  linksValid = 0;
  Finish();
}

// The extents of the polygons in the store, as ComputeExtents finds them but
// without its refusal of a degenerate drawing (which empties the store): a
// polygon left degenerate fails to grid with a message of its own.
void MeasureRemainingExtents() {
  BoundAll();
  extentXmin = extentYmin = kHugeCoordinate;
  extentXmax = extentYmax = -kHugeCoordinate;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    extentXmin = std::min(extentXmin, p.xmin);
    extentXmax = std::max(extentXmax, p.xmax);
    extentYmin = std::min(extentYmin, p.ymin);
    extentYmax = std::max(extentYmax, p.ymax);
  }
}

// Cells along a side whose corners are `chord` apart, in proportion to the
// square root of its share of the extents' diagonal.
int32_t AutomaticCount(double chord, double diagonal) {
  const double s = 20 * std::sqrt(chord / diagonal);
  if (!(s >= 2)) return 2;  // also when the ratio is undefined
  const double rounded = std::floor(s + 0.5);
  return rounded >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(rounded);
}

double ClampGrading(double e) {
  if (e > kMaxGrading) return kMaxGrading;
  if (e < kMinGrading) return kMinGrading;
  return e;
}

// Resets the stored corners of polygon `index` when they cannot be used.
void ValidateCorners(int32_t index) {
  Polygon& p = PolygonAt(index);
  int32_t* c = p.corners;
  if (c[0] <= 0) return;
  const int number = index + 1;
  const int defined = 1 + (c[1] > 0) + (c[2] > 0) + (c[3] > 0);
  bool reset = true;
  if (defined < 4) {
    Notify(5107, "Polygon %i %s has only %i of 4 corner points\ndefined; therefore, they will all be reset.", number,
           p.name, defined);
  } else if (c[0] == c[1] || c[1] == c[2] || c[2] == c[3]) {
    Notify(5118, "Polygon %i %s has duplicate corner points;\ntherefore, they will all be reset.", number, p.name);
  } else if (c[1] < c[0] || c[2] < c[1] || c[3] < c[2]) {
    Notify(5129, "Polygon %i %s has corner point(s) out of order;\ntherefore, they will all be reset.", number, p.name);
  } else if (c[3] >= p.count) {
    Notify(5138, "Polygon %i %s has the overlap point defined as a corner;\ntherefore, they will all be reset.", number,
           p.name);
  } else {
    reset = false;
  }
  if (reset) c[0] = c[1] = c[2] = c[3] = 0;
}

// The four working points with the greatest vertex cosine, ascending.
bool ChooseCorners(const WorkingBoundary& w, int32_t k[4]) {
  const int32_t K = w.count;
  double* value = AllocArray<double>(5147, static_cast<std::size_t>(K));
  int32_t* available = AllocArray<int32_t>(5148, static_cast<std::size_t>(K));
  for (int32_t i = 0; i < K; ++i) {
    const int32_t before = i == 0 ? K - 1 : i - 1;
    const int32_t after = i == K - 1 ? 0 : i + 1;
    value[i] = VertexCosine(w.x[before], w.y[before], w.x[i], w.y[i], w.x[after], w.y[after]);
    available[i] = 1;
  }
  bool found = true;
  for (int c = 0; c < 4 && found; ++c) {
    double best = -2;
    int32_t bestIndex = -1;
    for (int32_t i = 0; i < K; ++i) {
      if (available[i] && value[i] > best) {
        best = value[i];
        bestIndex = i;
      }
    }
    if (bestIndex < 0) {
      found = false;
    } else {
      k[c] = bestIndex;
      available[bestIndex] = 0;
    }
  }
  FreeBlock(value);
  FreeBlock(available);
  if (found) std::sort(k, k + 4);
  return found;
}

}  // namespace

double VertexCosine(double ax, double ay, double px, double py, double bx, double by) {
  const double g = std::hypot(px - ax, py - ay);
  const double h = std::hypot(bx - px, by - py);
  const double l = std::hypot(ax - bx, ay - by);
  if (g < kCoincident || h < kCoincident || l < kCoincident) return -4;
  return (h * h + g * g - l * l) * 0.5 / g / h;
}

double PatchBytes(double ni, double nj) {
  const double f = 2 * (ni + nj);
  // G, H, the system matrix, its right-hand side, the six node arrays of the
  // solution, and the patch's own node coordinates.
  return 8 * (4 * f * f + 7 * f) + 16 * (ni + 1) * (nj + 1);
}

bool BuildWorkingBoundary(const Polygon& polygon, WorkingBoundary& w) {
  const int32_t K = polygon.count - 1;
  const PolygonPoint* p = polygon.points;
  double area = 0;
  for (int32_t k = 1; k < polygon.count; ++k) area += (p[k - 1].y + p[k].y) * (p[k].x - p[k - 1].x);
  w.count = K;
  w.x = AllocArray<double>(5079, static_cast<std::size_t>(K));
  w.y = AllocArray<double>(5080, static_cast<std::size_t>(K));
  const bool reversed = !(area < 0);
  for (int32_t k = 0; k < K; ++k) {
    const PolygonPoint& q = p[reversed ? K - 1 - k : k];
    w.x[k] = q.x;
    w.y[k] = q.y;
  }
  return reversed;
}

bool PlanPatch(int32_t index, const WorkingBoundary& w, bool reversed, PatchPlan& plan) {
  ValidateCorners(index);
  const Polygon& p = PolygonAt(index);
  const int32_t K = w.count;
  int32_t* k = plan.corners;
  if (p.corners[0] > 0) {
    // Stored corners count in the stored order; on a reversed boundary stored
    // point c - 1 is working point K - c, and the order turns round.
    for (int c = 0; c < 4; ++c) k[c] = reversed ? K - p.corners[c] : p.corners[c] - 1;
    std::sort(k, k + 4);
  } else if (!ChooseCorners(w, k)) {
    return false;
  }

  const NameSettings settings = ReadNameSettings(p.name);
  const bool niGiven = settings.niGiven, njGiven = settings.njGiven;
  plan.ni = settings.ni;
  plan.nj = settings.nj;
  if (!niGiven || !njGiven) {
    const double diagonal = std::hypot(extentXmax - extentXmin, extentYmax - extentYmin);
    if (!niGiven) plan.ni = AutomaticCount(std::hypot(w.x[k[1]] - w.x[k[0]], w.y[k[1]] - w.y[k[0]]), diagonal);
    if (!njGiven) plan.nj = AutomaticCount(std::hypot(w.x[k[2]] - w.x[k[1]], w.y[k[2]] - w.y[k[1]]), diagonal);
  }
  plan.a = settings.aGiven ? ClampGrading(settings.a) : 1;
  plan.b = settings.bGiven ? ClampGrading(settings.b) : 1;
  plan.orthogonal = orthogonalMode || settings.orthogonal;
  for (bool& held : plan.held) held = false;
  return true;
}

void GenerateGrids() {
  ReleaseGridStore();
  if (gridsValid == 1) {
    // The off switch: the grids disappear.
    gridsValid = 0;
    linksValid = 0;
    Finish();
    return;
  }

  clipPolygon = -1;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (!IsClipName(PolygonAt(i).name)) continue;
    if (clipPolygon >= 0) {
      StopBox("multiple clipping polygons", "there is more than one polygon named clip");
      Stop();
      return;
    }
    clipPolygon = i;
  }
  FindLandPolygons();

  int32_t suitable = 0, extraneous = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (IsMaskPolygon(i)) continue;
    if (IsSuitable(PolygonAt(i))) {
      ++suitable;
    } else {
      ++extraneous;
    }
  }
  if (suitable == 0) {
    ShowStatus("there are no suitable polygons to grid");
    Stop();
    return;
  }

  if (extraneous > 0) {
    char text[256];
    if (extraneous == 1) {
      std::snprintf(
          text, sizeof text,
          "There is an extraneous (ungriddable)\npolygon. Do you want it removed?\n(You can undo this later.)");
    } else {
      std::snprintf(text, sizeof text,
                    "There are %i extraneous (ungriddable)\npolygons. Do you want them removed?\n(You can undo this "
                    "later.)",
                    extraneous);
    }
    if (!UI().AskOkCancel("extraneous polygons", text)) {
      Stop();
      return;
    }
    int32_t deleted = 0;
    for (int32_t i = store.polygonCount - 1; i >= 0; --i) {
      if (IsMaskPolygon(i) || IsSuitable(PolygonAt(i))) continue;
      DeletePolygon(i);
      ++deleted;
      if (i < clipPolygon) --clipPolygon;
    }
    FindLandPolygons();  // the removals moved them
    // One undo brings them all back.
    PushInt(deleted);
    PushInt(UndoPolygonList);
    // The automatic cell counts are shares of the drawing's diagonal: that
    // of the polygons that are left, not of those just removed.
    MeasureRemainingExtents();
  }

  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    for (int32_t k = 1; k < p.count; ++k) {
      if (std::hypot(p.points[k].x - p.points[k - 1].x, p.points[k].y - p.points[k - 1].y) < kCoincident) {
        StopBox("coincident points",
                "Polygon %i (%s) has two coincident points.\nThere may be more in this and/or other polygons.", i + 1,
                p.name);
        Stop();
        return;
      }
    }
  }

  const int32_t count = store.polygonCount;
  grids.patchCount = count;
  grids.ni = AllocArray<int32_t>(5070, static_cast<std::size_t>(count));
  grids.nj = AllocArray<int32_t>(5071, static_cast<std::size_t>(count));
  grids.x = AllocArray<double*>(5072, static_cast<std::size_t>(count));
  grids.y = AllocArray<double*>(5073, static_cast<std::size_t>(count));
  grids.origin = AllocArray<PatchOrigin>(5074, static_cast<std::size_t>(count));

  // Settle every polygon first, so that a polygon that cannot be gridded
  // stops the run before any long work.
  PatchPlan* plans = AllocArray<PatchPlan>(5085, static_cast<std::size_t>(count));
  // Released however this ends (a fatal error ends the program, but under
  // the tests it unwinds instead).
  struct ReleasePlans {
    PatchPlan* plans;
    ~ReleasePlans() { FreeBlock(plans); }
  } releasePlans{plans};
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (IsMaskPolygon(i)) continue;
    ++total;
    WorkingBoundary w;
    const bool reversed = BuildWorkingBoundary(PolygonAt(i), w);
    const bool planned = PlanPatch(i, w, reversed, plans[i]);
    ReleaseWorkingBoundary(w);
    const Polygon& p = PolygonAt(i);
    if (!planned) {
      StopBox("ungriddable polygon",
              "Polygon %i (%s) has fewer than four points\nthat can serve as corners; it cannot be gridded.\nNo grids "
              "have been made.",
              i + 1, p.name);
      Stop();
      return;
    }
    const double bytes =
        plans[i].orthogonal ? ConformalPatchBytes(plans[i].ni, plans[i].nj) : PatchBytes(plans[i].ni, plans[i].nj);
    if (bytes > kMaxPatchBytes) {
      // The counts as the name gives them, also beyond the int range.
      const NameSettings named = ReadNameSettings(p.name);
      char ni[32], nj[32];
      std::snprintf(ni, sizeof ni, "%i", plans[i].ni);
      std::snprintf(nj, sizeof nj, "%i", plans[i].nj);
      double askedI = plans[i].ni, askedJ = plans[i].nj;
      if (named.niGiven) {
        std::snprintf(ni, sizeof ni, "%s", named.niText);
        askedI = named.niAsked;
      }
      if (named.njGiven) {
        std::snprintf(nj, sizeof nj, "%s", named.njText);
        askedJ = named.njAsked;
      }
      StopBox(
          "grid too large",
          "Polygon %i (%s) asks for %s by %s cells,\nwhich would need %.0f MB of memory (at most %.0f MB).\nNo "
          "grids have been made.",
          i + 1, p.name, ni, nj,
          std::ceil((plans[i].orthogonal ? ConformalPatchBytes(askedI, askedJ) : PatchBytes(askedI, askedJ)) / 1048576),
          kMaxPatchBytes / 1048576);
      Stop();
      return;
    }
    grids.ni[i] = plans[i].ni;
    grids.nj[i] = plans[i].nj;
  }

  // Sides shared with a neighbour keep their arc-length spacing in an
  // orthogonal patch, so that the neighbours still meet node for node.
  MarkHeldSides(plans, count);

  const StepFailure failure = BuildPatches(plans, count, clipPolygon);
  if (failure.code == kStoppedByUser) {
    // The user's stop: no grids, and nothing else changes.
    Stop();
    ShowStatus("gridding stopped");
    return;
  }
  if (failure.code) {
    // An outline that touches itself, or cells too small for the precision
    // of their coordinates, defeats the numerical core. That is the polygon's
    // fault, not the program's: say which polygon and keep the work.
    const int32_t i = failure.polygon;
    StopBox("can't grid polygon",
            "Polygon %i (%s) could not be gridded:\n%s (code %i).\nIts outline may touch itself, or its cells may be "
            "too small\nfor its coordinates. No grids have been made.",
            i + 1, PolygonAt(i).name, ShapeFailureText(failure.code), failure.code);
    Stop();
    return;
  }

  grids.outlineWritten = WriteGridOutlines() ? 1 : 0;
  gridsValid = 1;
  // How good the new grid is, in the same breath as the count.
  const std::vector<CellQuality> cells = MeasureGrid();
  std::string quality = QualityStatusLine(Summarise(cells));
  const int32_t worst = MostFoldedPolygon(cells);
  if (worst >= 0) {
    char most[64];
    std::snprintf(most, sizeof most, ", most in polygon %i (%s)", worst + 1, PolygonAt(worst).name);
    quality += most;
  }
  const std::string orthogonal = OrthogonalGriddedText(total);
  if (total == 1) {
    ShowStatusF(false, "1 polygon gridded%s; %s", orthogonal.c_str(), quality.c_str());
  } else {
    ShowStatusF(false, "%i polygons gridded%s; %s", total, orthogonal.c_str(), quality.c_str());
  }
  Finish();
}

}  // namespace kestrel
