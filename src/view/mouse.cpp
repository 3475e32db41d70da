#include "view/mouse.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/buttons.h"
#include "app/frontend.h"
#include "edit/journal.h"
#include "store/selection.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

MouseGesture gesture;

namespace {

// How far (in pixels, both directions) a press may lie from a point and still
// grab it.
constexpr long kGrabReach = 3;

// Right-button gestures shorter than this are clicks; shorter than
// kRecentreOnly they recentre without changing the scale.
constexpr double kClickDistance = 8;
constexpr double kRecentreOnly = 16;

bool Has(int32_t flag) { return (gesture.buttonFlags & flag) != 0; }

// The rubber rectangle between anchor and current, corners ordered.
void InvertRubberRectangle() {
  UI().InvertRectangle(std::min(gesture.anchorX, gesture.currentX), std::min(gesture.anchorY, gesture.currentY),
                       std::max(gesture.anchorX, gesture.currentX), std::max(gesture.anchorY, gesture.currentY));
}

// The right button's shape: a pan line with Ctrl, else a zoom rectangle.
void InvertRightShape() {
  if (Has(kMouseCtrl)) {
    UI().InvertLine(gesture.anchorX, gesture.anchorY, gesture.currentX, gesture.currentY);
  } else {
    InvertRubberRectangle();
  }
}

// Whether world value `v` (already in pixels, unrounded) rounds onto a pixel
// within reach of `at`. Values far away are not rounded at all: they may not
// fit a long.
bool WithinReach(double v, int32_t at) {
  if (!(std::fabs(v - at) <= kGrabReach + 1)) return false;
  return std::labs(RoundHalfAway(v) - at) <= kGrabReach;
}

// Grabs the first point of a selected, visible polygon whose pixel lies
// within reach of (x, y): that point alone becomes the selection.
void GrabPoint(int32_t x, int32_t y) {
  if (!(view.scale > 0)) return;  // no view yet: nothing is drawn to grab
  const int32_t wasSelected = selectedCount;
  const double left = view.originX;
  const double right = view.originX + view.plotWidth * view.scale;
  const double top = view.originY;
  const double bottom = view.originY - view.plotHeight * view.scale;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    if (p.xmin > right || p.xmax < left || p.ymin > top || p.ymax < bottom) continue;
    const int32_t distinct = p.count - p.closed;
    for (int32_t k = 0; k < distinct; ++k) {
      const PolygonPoint& q = p.points[k];
      if (!WithinReach((q.x - view.originX) / view.scale, x)) continue;
      if (!WithinReach((view.originY - q.y) / view.scale, y)) continue;
      gesture.dragMode = wasSelected;
      for (int32_t j = 0; j < store.polygonCount; ++j) PolygonAt(j).selection = 0;
      PolygonAt(i).selection = k - p.count;
      selectedPoint = k;
      selectedCount = 1;
      selectedPolygon = i;
      return;
    }
  }
}

// Moves every selected polygon by the last step. The first step records all
// of them as one undo entry.
void MoveSelectedPolygons(int32_t x, int32_t y) {
  gesture.anchorX = gesture.currentX;
  gesture.anchorY = gesture.currentY;
  gesture.currentX = x;
  gesture.currentY = y;
  int32_t moving = 0;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    if (PolygonAt(i).selection != 0) ++moving;
  }
  // A command given during the drag may have left nothing selected; an empty
  // list would be refused by Undo.
  if (moving == 0) return;
  if (!gesture.undoRecorded) {
    for (int32_t i = 0; i < store.polygonCount; ++i) {
      if (PolygonAt(i).selection != 0) RecordPoints(i);
    }
    PushInt(moving);
    PushInt(UndoMixedList);
    gesture.undoRecorded = 1;
  }
  const double dx = static_cast<double>(gesture.currentX - gesture.anchorX) * view.scale;
  const double dy = static_cast<double>(gesture.currentY - gesture.anchorY) * view.scale;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    Polygon& p = PolygonAt(i);
    if (p.selection == 0) continue;
    for (int32_t k = 0; k < p.count; ++k) {
      p.points[k].x += dx;
      p.points[k].y -= dy;
    }
  }
  BoundAll();
  ComputeExtents();
  UI().RepaintPlot();
  MarkModified();
}

// Moves the grabbed point by the last step, redrawing its polygon in place.
void DragPoint(int32_t x, int32_t y) {
  const int32_t index = selectedPolygon;
  const int32_t k = selectedPoint;
  // A command given during the drag may have removed the polygon or changed
  // the selection; then there is no grabbed point any more.
  if (index < 0 || index >= store.polygonCount || k < 0) return;
  Polygon& p = PolygonAt(index);
  if (k >= p.count - p.closed || p.selection != k - p.count) return;

  if (gesture.dragMode > 1) {
    // Once: show that the other polygons lost their selection.
    UI().RepaintPlot();
    gesture.dragMode = 1;
  }
  gesture.anchorX = gesture.currentX;
  gesture.anchorY = gesture.currentY;
  gesture.currentX = x;
  gesture.currentY = y;
  UI().ErasePolygon(index);
  if (!gesture.undoRecorded) {
    RecordPointMove(index, k, p.points[k], UndoRestorePoint);
    gesture.undoRecorded = 1;
  }
  p.points[k].x += static_cast<double>(gesture.currentX - gesture.anchorX) * view.scale;
  p.points[k].y -= static_cast<double>(gesture.currentY - gesture.anchorY) * view.scale;
  // The closing point of a closed polygon follows its first point.
  if (k == 0 && p.closed) p.points[p.count - 1] = p.points[0];
  BoundPolygon(index);
  UI().DrawPolygon(index);
  MarkModified();
}

void EndGesture() {
  gesture.buttonFlags = 0;
  gesture.moveCount = 0;
  UpdateButtons();
}

}  // namespace

void LeftDown(int32_t flags, int32_t x, int32_t y) {
  gesture.anchorX = gesture.currentX = x;
  gesture.anchorY = gesture.currentY = y;
  gesture.buttonFlags = flags;
  gesture.moveCount = 0;
  gesture.dragMode = kDragRubberBand;
  gesture.undoRecorded = 0;
  if (QuerySelection() == 0) return;
  if (flags & kMouseCtrl) {
    gesture.dragMode = kDragPolygons;
    return;
  }
  GrabPoint(x, y);
}

void LeftDrag(int32_t x, int32_t y) {
  if (!Has(kMouseLeft)) return;
  // A move to where the mouse already was changes nothing; in particular a
  // click does not become a drag of no length.
  if (x == gesture.currentX && y == gesture.currentY) return;
  if (gesture.dragMode == kDragRubberBand) {
    if (Has(kMouseCtrl)) return;
    if (gesture.moveCount > 0) InvertRubberRectangle();
    ++gesture.moveCount;
    gesture.currentX = x;
    gesture.currentY = y;
    InvertRubberRectangle();
  } else if (gesture.dragMode == kDragPolygons) {
    MoveSelectedPolygons(x, y);
  } else {
    DragPoint(x, y);
  }
}

void LeftUp(int32_t x, int32_t y) {
  if (!Has(kMouseLeft)) return;
  // With Ctrl the polygons (if any) have been moved and drawn already.
  if (!Has(kMouseCtrl)) {
    gesture.currentX = x;
    gesture.currentY = y;
    if (gesture.moveCount > 0) {
      InvertRubberRectangle();
      if (Has(kMouseShift)) {
        // A point selection widens to its whole polygon; the rest stays.
        for (int32_t i = 0; i < store.polygonCount; ++i) {
          if (PolygonAt(i).selection < 0) PolygonAt(i).selection = 1;
        }
      } else {
        DeselectAll();
      }
      SelectInRectangle(gesture.anchorX, gesture.anchorY, gesture.currentX, gesture.currentY);
      UI().RepaintPlot();
    } else if (gesture.dragMode > 0) {
      UI().RepaintPlot();
    }
  }
  EndGesture();
}

void RightDown(int32_t flags, int32_t x, int32_t y) {
  gesture.anchorX = gesture.currentX = x;
  gesture.anchorY = gesture.currentY = y;
  gesture.buttonFlags = flags;
  gesture.moveCount = 0;
  QuerySelection();
}

void RightDrag(int32_t x, int32_t y) {
  if (!Has(kMouseRight)) return;
  if (x == gesture.currentX && y == gesture.currentY) return;
  if (gesture.moveCount > 0) InvertRightShape();
  ++gesture.moveCount;
  gesture.currentX = x;
  gesture.currentY = y;
  InvertRightShape();
}

void RightUp(int32_t x, int32_t y) {
  if (!Has(kMouseRight)) return;
  gesture.currentX = x;
  gesture.currentY = y;
  if (gesture.moveCount > 0) InvertRightShape();
  const int64_t dx = static_cast<int64_t>(gesture.currentX) - gesture.anchorX;
  const int64_t dy = static_cast<int64_t>(gesture.currentY) - gesture.anchorY;
  const double distance = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
  if (gesture.moveCount > 0 && distance > kClickDistance) {
    RecordView();
    if (Has(kMouseCtrl)) {
      // Pan: the world point under the anchor moves to the release point.
      view.originX -= static_cast<double>(dx) * view.scale;
      view.originY += static_cast<double>(dy) * view.scale;
    } else {
      // Zoom so that the rectangle fills the plot in its dominant direction,
      // its centre at the plot's centre; zooming out is limited to four times.
      const int64_t adx = dx < 0 ? -dx : dx;
      const int64_t ady = dy < 0 ? -dy : dy;
      double candidate = 0;
      if (ady * view.plotWidth >= adx * view.plotHeight) {
        candidate = view.scale * static_cast<double>(ady) / view.plotHeight;
      } else {
        candidate = view.scale * static_cast<double>(adx) / view.plotWidth;
      }
      if (candidate > 4 * view.scale) candidate = 4 * view.scale;
      const double scale = distance < kRecentreOnly ? view.scale : candidate;
      const int32_t cx = static_cast<int32_t>((static_cast<int64_t>(gesture.currentX) + gesture.anchorX) / 2);
      const int32_t cy = static_cast<int32_t>((static_cast<int64_t>(gesture.currentY) + gesture.anchorY) / 2);
      view.originX = view.scale * cx - scale * view.plotWidth * 0.5 + view.originX;
      view.originY = view.originY - (view.scale * cy - scale * view.plotHeight * 0.5);
      view.scale = scale;
    }
  } else {
    DeselectAll();
  }
  UI().RepaintPlot();
  EndGesture();
}

int32_t GestureButton() {
  if (Has(kMouseLeft)) return kMouseLeft;
  if (Has(kMouseRight)) return kMouseRight;
  return 0;
}

void ResetMouse() { gesture = MouseGesture{}; }

}  // namespace kestrel
