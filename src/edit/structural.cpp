// Edits of a polygon's topology that move no point: set beginning, close,
// open, delete, reverse, split and new polygon.
#include <cmath>
#include <cstring>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/cornerfollow.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "store/selection.h"
#include "view/view.h"

namespace kestrel {

void SetBeginning() {
  if (!RequireSinglePolygon("there are no polygons to set beginning")) return;
  const int32_t index = selectedPolygon;
  Polygon& p = PolygonAt(index);
  if (!p.closed) {
    ShowStatus("the polygon must be closed in order to perform this operation");
    return;
  }
  if (selectedPoint == -1) {
    ShowStatus("you must first select a point on a single polygon");
    return;
  }
  if (selectedPoint == 0) {
    ShowStatus("the point you have selected is already the beginning");
    return;
  }
  const int32_t s = selectedPoint;
  const int32_t c = p.count;
  PolygonPoint* rotated = AllocArray<PolygonPoint>(1810, static_cast<size_t>(c));
  int32_t n = 0;
  for (int32_t k = s; k <= c - 2; ++k) rotated[n++] = p.points[k];
  for (int32_t k = 0; k < s; ++k) rotated[n++] = p.points[k];
  rotated[n] = p.points[s];
  FreeBlock(p.points);
  p.points = rotated;
  FollowRotation(index, s);
  PushInt(c - 1 - s);
  PushInt(index);
  PushInt(UndoRotateBack);
  // The same location stays selected; it is point 0 now.
  p.selection = -c;
  MarkModified();
}

void ClosePolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to close");
    return;
  }
  if (QuerySelection() == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  int32_t closed = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection == 0 || p.count <= 2 || p.closed) continue;
    p.selection = 1;
    p.closed = 1;
    p.points = GrowArray<PolygonPoint>(1850, p.points, static_cast<size_t>(p.count), static_cast<size_t>(p.count) + 1);
    p.points[p.count] = p.points[0];
    ++p.count;
    FollowClosingPoint(i);
    MarkModified();
    PushInt(i);
    ++closed;
  }
  if (closed > 0) {
    PushInt(closed);
    PushInt(UndoReopenList);
  }
  UpdateButtons();
  UI().RepaintPlot();
}

void OpenPolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to open");
    return;
  }
  if (QuerySelection() == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  int32_t opened = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection == 0 || p.count <= 2 || !p.closed) continue;
    p.selection = 1;
    p.closed = 0;
    --p.count;  // the closing point is dropped; the array keeps its size
    FollowClosingPoint(i);
    MarkModified();
    PushInt(i);
    ++opened;
  }
  if (opened > 0) {
    PushInt(opened);
    PushInt(UndoRecloseList);
  }
  UpdateButtons();
  UI().RepaintPlot();
}

void DeletePolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to delete");
    return;
  }
  if (QuerySelection() == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  DeleteSelectedPolygons(false);
  BoundAll();
  ComputeExtents();
  UpdateButtons();
  UI().RepaintPlot();
}

void ReversePolygons() {
  if (store.polygonCount == 0) {
    ShowStatus("there are no polygons to reverse");
    return;
  }
  int32_t selected = 0;
  int32_t reversible = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    ++selected;
    if (p.count >= 2) ++reversible;
  }
  if (selected == 0) {
    ShowStatus("you must first select at least one polygon");
    return;
  }
  if (reversible == 0) {
    ShowStatus("you must first select at least one polygon having at least two points");
    return;
  }
  int32_t reversed = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    const int32_t c = p.count;
    if (p.selection == 0 || c < 2) continue;
    for (int32_t a = 0, b = c - 1; a < b; ++a, --b) {
      const PolygonPoint t = p.points[a];
      p.points[a] = p.points[b];
      p.points[b] = t;
    }
    FollowReversal(i);
    PushInt(i);
    MarkModified();
    if (p.selection < 0) {
      // Keep the same location selected. Point 0 of a closed polygon stays
      // point 0: its closing copy came to the front.
      const int32_t k = c + p.selection;
      const int32_t moved = (p.closed && k == 0) ? 0 : c - 1 - k;
      p.selection = moved - c;
    }
    ++reversed;
  }
  PushInt(reversed);
  PushInt(UndoReverseList);
  UpdateButtons();
  UI().RepaintPlot();
}

void SplitPolygon() {
  if (!RequireSinglePolygon("there are no polygons to split")) return;
  const int32_t index = selectedPolygon;
  const int32_t c = PolygonAt(index).count;
  if (c < 2) {
    ShowStatus("a polygon must have at least two points in order to be split");
    return;
  }
  if (selectedPoint == -1) {
    ShowStatus("you must first select a point on a single polygon");
    return;
  }
  const int32_t b = selectedPoint;
  if (b == 0 || b == c - 1) {
    ShowStatus("a polygon can't be split at the end");
    return;
  }
  UI().ErasePolygon(index);
  const int32_t added = store.polygonCount;
  RecordPoints(index);
  PushInt(added);
  PushInt(UndoRemovePolygon);
  PushInt(2);
  PushInt(UndoMixedList);

  // The new record may move the array: take the first piece's fields after it.
  Polygon& second = PrepareNewPolygon(3795);
  Polygon& first = PolygonAt(index);
  std::memcpy(second.name, first.name, sizeof second.name);
  second.count = c - b;
  second.points = AllocArray<PolygonPoint>(3799, static_cast<size_t>(c - b));
  std::memcpy(second.points, first.points + b, sizeof(PolygonPoint) * static_cast<size_t>(c - b));
  second.color = (first.color + 1) % 12;
  // Each corner goes with its point; one on the split point is in both pieces.
  for (int k = 0; k < 4; ++k) {
    int32_t at = first.corners[k] - 1;
    if (first.closed && at == c - 1) at = 0;
    second.corners[k] = at >= b ? at - b + 1 : 0;
    if (at > b) first.corners[k] = 0;
  }
  first.selection = 0;
  first.closed = 0;
  first.count = b + 1;  // the split point belongs to both pieces

  BoundPolygon(index);
  BoundPolygon(added);
  ++store.polygonCount;
  ComputeExtents();
  UI().DrawPolygon(index);
  UI().DrawPolygon(added);
  UpdateButtons();
  MarkModified();
}

void NewPolygon() {
  const int32_t n = store.polygonCount;
  PushInt(n);
  PushInt(UndoRemovePolygon);
  Polygon& p = PrepareNewPolygon(2463);
  SetPolygonName(p, "new");
  p.color = n % 12;
  p.closed = 1;
  p.count = 5;
  p.points = AllocArray<PolygonPoint>(2469, 5);
  // Before any polygon was shown the view has no scale yet: it then shows one
  // world unit a pixel with the origin in the middle of the plot, so that the
  // square gets the size it has on a plot of that many pixels.
  const double w = view.plotWidth > 0 ? view.plotWidth : 32;
  const double h = view.plotHeight > 0 ? view.plotHeight : 32;
  if (!(view.scale > 0) || !std::isfinite(view.scale)) {
    view.scale = 1;
    view.originX = -w / 2;
    view.originY = h / 2;
  }
  const double s = view.scale;
  const double left = view.originX + s * 15 * w / 32;
  const double right = view.originX + s * w / 2;
  const double top = view.originY - s * 15 * h / 32;
  const double bottom = view.originY - s * h / 2;
  p.points[0] = PolygonPoint{left, top, 0};
  p.points[1] = PolygonPoint{right, top, 0};
  p.points[2] = PolygonPoint{right, bottom, 0};
  p.points[3] = PolygonPoint{left, bottom, 0};
  p.points[4] = p.points[0];
  ++store.polygonCount;
  BoundPolygon(n);
  for (int32_t i = 0; i < store.polygonCount; ++i) PolygonAt(i).selection = 0;
  PolygonAt(n).selection = 1;
  UpdateButtons();
  UI().RepaintPlot();
  MarkModified();
}

}  // namespace kestrel
