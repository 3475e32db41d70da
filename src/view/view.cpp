#include "view/view.h"

#include <climits>
#include <cmath>

#include "app/report.h"
#include "edit/journal.h"
#include "store/store.h"
#include "view/depthview.h"

namespace kestrel {

ViewTransform view;
double extentXmin = 0, extentXmax = 0, extentYmin = 0, extentYmax = 0;

long RoundHalfAway(double v) {
  // A value beyond the range of long (a point far outside a view fitted to
  // enormous coordinates, or an infinity) has no conversion: it saturates,
  // so that it still lies on the right side. Not a number gives 0.
  constexpr double kLongLimit = 9223372036854775808.0;  // 2^63
  if (v >= kLongLimit) return LONG_MAX;
  if (v <= -kLongLimit) return LONG_MIN;
  if (v < 0) return static_cast<long>(v - 0.5);
  if (v > 0) return static_cast<long>(v + 0.5);
  return 0;
}

Pixel WorldToPixel(double x, double y) {
  return Pixel{RoundHalfAway((x - view.originX) / view.scale), RoundHalfAway((view.originY - y) / view.scale)};
}

double PixelToWorldX(double column) { return column * view.scale + view.originX; }
double PixelToWorldY(double row) { return view.originY - row * view.scale; }

void BoundPolygon(int32_t index) {
  Polygon& p = PolygonAt(index);
  double xmin = kHugeCoordinate, ymin = kHugeCoordinate;
  double xmax = -kHugeCoordinate, ymax = -kHugeCoordinate;
  for (int32_t k = 0; k < p.count; ++k) {
    const PolygonPoint& q = p.points[k];
    if (q.x < xmin) xmin = q.x;
    if (q.x > xmax) xmax = q.x;
    if (q.y < ymin) ymin = q.y;
    if (q.y > ymax) ymax = q.y;
  }
  p.xmin = xmin;
  p.xmax = xmax;
  p.ymin = ymin;
  p.ymax = ymax;
}

void BoundAll() {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to bound");
    return;
  }
  for (int32_t i = 0; i < store.polygonCount; ++i) BoundPolygon(i);
}

void ComputeExtents(bool clearDegenerate) {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to bound");
    return;
  }
  double xmin = kHugeCoordinate, ymin = kHugeCoordinate;
  double xmax = -kHugeCoordinate, ymax = -kHugeCoordinate;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.xmin < xmin) xmin = p.xmin;
    if (p.xmax > xmax) xmax = p.xmax;
    if (p.ymin < ymin) ymin = p.ymin;
    if (p.ymax > ymax) ymax = p.ymax;
  }
  extentXmin = xmin;
  extentXmax = xmax;
  extentYmin = ymin;
  extentYmax = ymax;
  const char* degenerate = nullptr;
  int code = 0;
  if (extentXmax - extentXmin < kDegenerateExtent) {
    code = 836;
    degenerate = "polygons are degenerate in X";
  } else if (extentYmax - extentYmin < kDegenerateExtent) {
    code = 841;
    degenerate = "polygons are degenerate in Y";
  }
  if (!degenerate) return;
  if (!clearDegenerate) {
    ShowStatusF(false, "%s (Undo goes further back)", degenerate);
    return;
  }
  Notify(code, "%s", degenerate);
  // Recorded, so that no polygon is lost without a way back, and so that the
  // older records still name the polygons they were made for.
  ClearPolygonsForUndo();
}

void ZoomAll() {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to zoom");
    return;
  }
  // Before the first layout the plot has no size to fit into.
  if (view.plotWidth < 1 || view.plotHeight < 1) return;
  const double sx = (extentXmax - extentXmin) / view.plotWidth;
  const double sy = (extentYmax - extentYmin) / view.plotHeight;
  const double scale = (sx > sy ? sx : sy) / 0.95;
  // Polygons all on one point (Undo can bring such a state back) give no
  // scale to fit: the view stays as it is.
  if (!(scale > 0) || !std::isfinite(scale)) return;
  RecordView();
  view.scale = scale;
  view.originX = (extentXmax + extentXmin - view.plotWidth * view.scale) * 0.5;
  view.originY = (extentYmax + extentYmin + view.plotHeight * view.scale) * 0.5;
  UI().RepaintPlot();
}

namespace {

void ZoomBy(bool in) {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to zoom");
    return;
  }
  RecordView();
  const double next = in ? view.scale / 1.025 : view.scale * 1.025;
  view.originX += (view.scale - next) * view.plotWidth * 0.5;
  view.originY -= (view.scale - next) * view.plotHeight * 0.5;
  view.scale = next;
  UI().RepaintPlot();
}

}  // namespace

void ZoomIn() { ZoomBy(true); }
void ZoomOut() { ZoomBy(false); }

int32_t qualityView = 0;

void ToggleQualityView() {
  qualityView = !qualityView;
  if (qualityView) depthView = 0;
  if (!qualityView) {
    ShowStatus("quality view off (Ctrl+G shows it again)");
  } else if (!gridsValid) {
    ShowStatus("quality view on: it colours the cells once the polygons are gridded (Ctrl+G switches it off)");
  } else {
    ShowStatus(
        "quality view on: orthogonality deviation below 1 degree green, below 3 yellow, below 10 orange, "
        "10 or more red, folded cells magenta (Ctrl+G switches it off)");
  }
  UI().RepaintPlot();
}

void ResetView() {
  qualityView = 0;
  depthView = 0;
  view = ViewTransform{};
  extentXmin = extentXmax = extentYmin = extentYmax = 0;
}

}  // namespace kestrel
