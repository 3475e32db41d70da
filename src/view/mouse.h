// Mouse work in the plot. The left button selects polygons with a rubber
// rectangle, grabs and drags one point of a selected polygon, or (with Ctrl)
// moves all selected polygons; the right button zooms to a rubber rectangle,
// pans (with Ctrl) along a rubber line, or deselects everything with a click.
//
// Positions are plot pixels. The window keeps the mouse for the whole gesture,
// from button-down to the matching button-up, so positions outside the plot
// (negative ones included) keep arriving. One gesture runs at a time.
#pragma once

#include <cstdint>

namespace kestrel {

// Flags of the button-down that starts a gesture.
constexpr int32_t kMouseLeft = 1;
constexpr int32_t kMouseRight = 2;
constexpr int32_t kMouseShift = 4;
constexpr int32_t kMouseCtrl = 8;

// Left-button gesture kinds (dragMode): values of 1 and above drag one point.
constexpr int32_t kDragRubberBand = 0;
constexpr int32_t kDragPolygons = -1;

struct MouseGesture {
  int32_t buttonFlags = 0;  // flags of the button-down; 0 when idle
  int32_t anchorX = 0;      // gesture start, or the previous step while dragging
  int32_t anchorY = 0;
  int32_t currentX = 0;  // last position seen
  int32_t currentY = 0;
  int32_t moveCount = 0;  // moves that drew a rubber shape (0: nothing on screen)
  // Left gestures: 0 rubber band, -1 moving the selected polygons, >= 1
  // dragging one point (above 1: other polygons lost their selection when the
  // point was grabbed, and the first move shows that with a full repaint).
  int32_t dragMode = 0;
  int32_t undoRecorded = 0;  // 1 once the current drag has its undo record
};

extern MouseGesture gesture;

void LeftDown(int32_t flags, int32_t x, int32_t y);
void LeftDrag(int32_t x, int32_t y);
void LeftUp(int32_t x, int32_t y);
void RightDown(int32_t flags, int32_t x, int32_t y);
void RightDrag(int32_t x, int32_t y);
void RightUp(int32_t x, int32_t y);

// The button (kMouseLeft or kMouseRight) of the gesture under way, else 0.
int32_t GestureButton();

// Back to idle, as at start-up.
void ResetMouse();

}  // namespace kestrel
