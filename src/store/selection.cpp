#include "store/selection.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

bool RequireSinglePolygon(const char* emptyText) {
  if (store.polygonCount == 0) {
    ShowStatus(emptyText);
    return false;
  }
  if (QuerySelection() == 0) {
    ShowStatus("you must first select one polygon");
    return false;
  }
  if (selectedPolygon == -1) {
    ShowStatus("you must first select a single polygon");
    return false;
  }
  return true;
}

void SelectAll() {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to select");
    return;
  }
  for (int32_t i = 0; i < store.polygonCount; ++i) PolygonAt(i).selection = 1;
  QuerySelection();
  UI().RepaintPlot();
}

void DeselectAll() {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to deselect");
    return;
  }
  for (int32_t i = 0; i < store.polygonCount; ++i) PolygonAt(i).selection = 0;
  QuerySelection();
  UI().RepaintPlot();
}

void InvertSelection() {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to select");
    return;
  }
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    p.selection = p.selection == 0 ? 1 : 0;
  }
  QuerySelection();
  UI().RepaintPlot();
}

namespace {

enum class Step { First, Last, Next, Previous };

int32_t StepPoint(Step step) {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to select");
    return -1;
  }
  if (QuerySelection() != 1) {
    ShowStatus("you must first select one polygon");
    return -1;
  }
  const int32_t index = selectedPolygon;
  Polygon& p = PolygonAt(index);
  const int32_t n = p.count;
  const int32_t distinct = n - p.closed;
  if (distinct < 1) return -1;  // nothing to step through
  int32_t k = 0;
  switch (step) {
    case Step::First:
      k = 0;
      break;
    case Step::Last:
      k = distinct - 1;
      break;
    case Step::Next:
      if (selectedPoint >= 0) {
        k = selectedPoint + 1;
        if (k >= distinct) k = 0;
      }
      break;
    case Step::Previous:
      if (selectedPoint >= 0) {
        k = selectedPoint - 1;
        if (k < 0) k = distinct - 1;
      }
      break;
  }
  p.selection = k - n;
  selectedPoint = k;
  return index;
}

}  // namespace

int32_t SelectFirstPoint() { return StepPoint(Step::First); }
int32_t SelectLastPoint() { return StepPoint(Step::Last); }
int32_t SelectNextPoint() { return StepPoint(Step::Next); }
int32_t SelectPreviousPoint() { return StepPoint(Step::Previous); }

void RedrawPolygonInPlace(int32_t index) {
  if (index < 0) return;
  UpdateButtons();
  UI().ErasePolygon(index);
  UI().DrawPolygon(index);
}

namespace {

struct WorldRect {
  double left, right, top, bottom;
};

// Segment a-b crosses the vertical line x = edge strictly between its end
// points, at a height within [low, high]. Nearly vertical segments (x values
// closer than 0.001) are left to the other edges and the point test.
bool CrossesVertical(const PolygonPoint& a, const PolygonPoint& b, double edge, double low, double high) {
  if (!((a.x < edge && b.x > edge) || (a.x > edge && b.x < edge))) return false;
  if (std::abs(b.x - a.x) < 0.001) return false;
  const double y = a.y + (b.y - a.y) * (edge - a.x) / (b.x - a.x);
  return y >= low && y <= high;
}

bool CrossesHorizontal(const PolygonPoint& a, const PolygonPoint& b, double edge, double low, double high) {
  if (!((a.y < edge && b.y > edge) || (a.y > edge && b.y < edge))) return false;
  if (std::abs(b.y - a.y) < 0.001) return false;
  const double x = a.x + (edge - a.y) * (b.x - a.x) / (b.y - a.y);
  return x >= low && x <= high;
}

bool Touches(const Polygon& p, const WorldRect& r) {
  for (int32_t k = 0; k < p.count; ++k) {
    const PolygonPoint& q = p.points[k];
    if (q.x >= r.left && q.x <= r.right && q.y >= r.bottom && q.y <= r.top) return true;
  }
  // The four edges in turn, each over all segments.
  for (int32_t k = 1; k < p.count; ++k) {
    if (CrossesVertical(p.points[k - 1], p.points[k], r.left, r.bottom, r.top)) return true;
  }
  for (int32_t k = 1; k < p.count; ++k) {
    if (CrossesVertical(p.points[k - 1], p.points[k], r.right, r.bottom, r.top)) return true;
  }
  for (int32_t k = 1; k < p.count; ++k) {
    if (CrossesHorizontal(p.points[k - 1], p.points[k], r.bottom, r.left, r.right)) return true;
  }
  for (int32_t k = 1; k < p.count; ++k) {
    if (CrossesHorizontal(p.points[k - 1], p.points[k], r.top, r.left, r.right)) return true;
  }
  return false;
}

}  // namespace

void SelectInRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const WorldRect r{view.originX + view.scale * std::min(x1, x2), view.originX + view.scale * std::max(x1, x2),
                    view.originY - view.scale * std::min(y1, y2), view.originY - view.scale * std::max(y1, y2)};
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection != 0) continue;
    if (p.xmin > r.right || p.xmax < r.left || p.ymin > r.top || p.ymax < r.bottom) continue;
    if (Touches(p, r)) p.selection = 1;
  }
}

bool SelectNumberedPolygon(const char* text) {
  // The edit field gives at most 255 characters.
  const std::string field = std::string(text ? text : "").substr(0, 255);
  const char* start = field.c_str();
  char* end = nullptr;
  errno = 0;
  // Base 0 reads exactly what scanf "%i" reads: 0x.. hexadecimal, 0.. octal.
  const long n = std::strtol(start, &end, 0);
  if (end == start || errno == ERANGE) return false;
  if (n < 1 || n > store.polygonCount) return false;
  for (int32_t i = 0; i < store.polygonCount; ++i) PolygonAt(i).selection = 0;
  PolygonAt(static_cast<int32_t>(n - 1)).selection = 1;
  QuerySelection();
  UI().RepaintPlot();
  return true;
}

void SelectByNumber() {
  if (store.polygonCount < 2) return;
  std::string text;  // the field starts empty
  if (!UI().AskValue("SELECT", text)) return;
  SelectNumberedPolygon(text.c_str());
}

}  // namespace kestrel
