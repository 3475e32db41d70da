// Deleting and inserting the one selected point.
#include <cstring>
#include <vector>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/cornerfollow.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "store/selection.h"
#include "view/view.h"

namespace kestrel {

namespace {

// The checks both point edits share, after their own empty-store message.
bool SinglePointSelected(const char* emptyMessage) {
  if (!RequireSinglePolygon(emptyMessage)) return false;
  if (selectedPoint == -1) {
    ShowStatus("you must first select a point on a single polygon");
    return false;
  }
  return true;
}

PolygonPoint Midpoint(const PolygonPoint& a, const PolygonPoint& b) {
  return PolygonPoint{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
}

}  // namespace

void DeletePoint() {
  if (!SinglePointSelected("there are no polygons from which to delete a point")) return;
  const int32_t index = selectedPolygon;
  int32_t a = selectedPoint;
  Polygon& p = PolygonAt(index);
  const int32_t c = p.count;
  UI().ErasePolygon(index);
  if (c <= p.closed + 1) {
    // Nothing would be left of it but its own closing copy.
    DeletePolygon(index);
    UI().RepaintPlot();
    ComputeExtents();
    UpdateButtons();
    MarkModified();
    return;
  }
  RecordPointMove(index, a, p.points[a], UndoInsertPoint);
  RecordCorners(index);
  const int32_t removed = a;
  const bool wasClosed = p.closed == 1;
  std::vector<PolygonPoint> old;
  if (HasCorners(p)) old.assign(p.points, p.points + c);
  int32_t next;
  if (!p.closed) {
    next = c - 1;
  } else if (a == 0 || c < 5) {
    // Cut open at the removed point (or too few points left for a ring): the
    // closing copy goes too.
    p.closed = 0;
    next = c - 2;
  } else {
    next = c - 1;
  }
  if (a < next) {
    std::memmove(&p.points[a], &p.points[a + 1], sizeof(PolygonPoint) * static_cast<size_t>(next - a));
  } else {
    --a;  // the removed point was the last one kept: select the one before it
  }
  if (p.closed && a >= next - 1) a = 0;
  p.count = next;
  p.selection = a - next;
  FollowRemovedPoint(index, removed, old.data(), c, wasClosed);
  BoundPolygon(index);
  UI().DrawPolygon(index);
  ComputeExtents();
  UpdateButtons();
  MarkModified();
}

void InsertPoint() {
  if (!SinglePointSelected("there are no polygons in which to insert a point")) return;
  const int32_t index = selectedPolygon;
  const int32_t k = selectedPoint;
  Polygon& p = PolygonAt(index);
  const int32_t c = p.count;
  if (c < 2) {
    ShowStatus("there must be at least two points in a polygon in order to insert another point");
    return;
  }
  UI().ErasePolygon(index);
  p.points = GrowArray<PolygonPoint>(4068, p.points, static_cast<size_t>(c), static_cast<size_t>(c) + 1);
  int32_t at;
  if (k >= 1) {
    at = k;
  } else if (p.closed) {
    at = c - 1;  // just before the closing point, after the last distinct point
  } else {
    at = 1;
  }
  std::memmove(&p.points[at + 1], &p.points[at], sizeof(PolygonPoint) * static_cast<size_t>(c - at));
  p.points[at] = Midpoint(p.points[at - 1], p.points[at + 1]);
  PushInt(at);
  PushInt(index);
  PushInt(UndoRemovePoint);
  p.count = c + 1;
  p.selection = k - (c + 1);
  FollowInsertedPoint(index, at);
  UI().DrawPolygon(index);
  UpdateButtons();
  MarkModified();
}

}  // namespace kestrel
