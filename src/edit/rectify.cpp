// A right angle at the selected point: rectify moves it to an axis-parallel
// corner, square onto the circle that has its neighbours as diameter.
#include <cmath>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "store/selection.h"
#include "view/view.h"

namespace kestrel {

namespace {

struct Corner {
  int32_t polygon;
  int32_t point;
  PolygonPoint previous, next;
};

// The common checks; `word` is "rectified" or "squared". On success fills in
// the selected point and its neighbours.
bool SelectedCorner(const char* emptyMessage, const char* word, Corner& corner) {
  if (!RequireSinglePolygon(emptyMessage)) return false;
  const Polygon& p = PolygonAt(selectedPolygon);
  if (p.count - p.closed <= 2) {
    ShowStatusF(false, "a polygon must have at least three points in order to be %s", word);
    return false;
  }
  if (selectedPoint == -1) {
    ShowStatus("you must first select a point on a single polygon");
    return false;
  }
  const int32_t c = selectedPoint;
  const int32_t n = p.count;
  if (!p.closed && (c == 0 || c == n - 1)) {
    ShowStatusF(false, "a polygon can't be %s at the end", word);
    return false;
  }
  // Around point 0 of a closed polygon, the closing copy is skipped.
  const int32_t before = c == 0 ? n - 2 : c - 1;
  const int32_t after = (p.closed && c == n - 2) ? 0 : c + 1;
  corner = Corner{selectedPolygon, c, p.points[before], p.points[after]};
  return true;
}

// Moves the selected point to (x, y), its closing copy along with it.
void MovePoint(const Corner& corner, double x, double y) {
  Polygon& p = PolygonAt(corner.polygon);
  PolygonPoint& q = p.points[corner.point];
  q.x = x;
  q.y = y;
  if (p.closed && corner.point == 0) {
    p.points[p.count - 1].x = x;
    p.points[p.count - 1].y = y;
  }
  BoundPolygon(corner.polygon);
  UI().DrawPolygon(corner.polygon);
  UpdateButtons();
  MarkModified();
}

}  // namespace

void RectifyPoint() {
  Corner corner;
  if (!SelectedCorner("there are no polygons to rectify", "rectified", corner)) return;
  const PolygonPoint p = PolygonAt(corner.polygon).points[corner.point];
  const PolygonPoint& a = corner.previous;
  const PolygonPoint& b = corner.next;
  UI().ErasePolygon(corner.polygon);
  RecordPointMove(corner.polygon, corner.point, p, UndoRestorePoint);
  // The nearer of the two axis-parallel corners (in |dx| + |dy|); a tie goes
  // to (B.x, A.y).
  const double toAxBy = std::abs(a.x - p.x) + std::abs(p.y - b.y);
  const double toBxAy = std::abs(a.y - p.y) + std::abs(p.x - b.x);
  if (toBxAy > toAxBy) {
    MovePoint(corner, a.x, b.y);
  } else {
    MovePoint(corner, b.x, a.y);
  }
}

void SquarePoint() {
  Corner corner;
  if (!SelectedCorner("there are no polygons to square", "squared", corner)) return;
  const PolygonPoint p = PolygonAt(corner.polygon).points[corner.point];
  const PolygonPoint& a = corner.previous;
  const PolygonPoint& b = corner.next;
  const double extent = std::hypot(extentXmax - extentXmin, extentYmax - extentYmin);
  const double radius = std::hypot(b.x - a.x, b.y - a.y) / 2;
  if (radius < 0.001 * extent || radius == 0) {
    ShowStatus("polygon is degenerate at selected point");
    return;
  }
  const double mx = (a.x + b.x) / 2;
  const double my = (a.y + b.y) / 2;
  if (std::hypot(p.x - mx, p.y - my) < 0.001 * radius) {
    ShowStatus("polygon inflection is ambiguous at selected point");
    return;
  }
  UI().ErasePolygon(corner.polygon);
  RecordPointMove(corner.polygon, corner.point, p, UndoRestorePoint);
  const double theta = std::atan2(p.y - my, p.x - mx);
  MovePoint(corner, mx + radius * std::cos(theta), my + radius * std::sin(theta));
}

}  // namespace kestrel
