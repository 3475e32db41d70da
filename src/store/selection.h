// The commands that change the selection without changing any geometry:
// select all, deselect all, invert, step through the points of the one
// selected polygon, select by rubber rectangle and select by number. None of
// them records anything for Undo or marks the store modified.
#pragma once

#include <cstdint>

namespace kestrel {

// Every polygon wholly selected; repaints the plot.
// The checks that open every command on one selected polygon, in their
// fixed order: the store holds polygons (else `emptyText`), something is
// selected, and it is a single polygon. Each refusal goes to the status line.
// Returns true when the command may go on with selectedPolygon.
bool RequireSinglePolygon(const char* emptyText);

void SelectAll();
// Every polygon deselected; repaints the plot.
void DeselectAll();
// Unselected polygons become selected and selected ones (wholly or by a
// point) unselected; repaints the plot.
void InvertSelection();

// Point stepping on the one selected polygon. Each returns the index of the
// polygon whose selection changed, or -1 when it changed nothing (the caller
// then redraws that polygon in place with RedrawPolygonInPlace).
int32_t SelectFirstPoint();
int32_t SelectLastPoint();
int32_t SelectNextPoint();
int32_t SelectPreviousPoint();

// After a point-stepping command: refreshes the buttons, then erases polygon
// `index` and draws it again, without repainting the whole plot. Does nothing
// for -1.
void RedrawPolygonInPlace(int32_t index);

// Adds to the selection every unselected polygon that the rectangle between
// the two plot pixels (x1, y1) and (x2, y2) touches: a point inside it or a
// segment crossing one of its edges. The caller repaints and refreshes the
// buttons.
void SelectInRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The select-by-number command: with more than one polygon in the store, asks
// for a 1-based polygon number through the "SELECT" dialog and selects that
// polygon alone. Anything that is not a valid number is ignored silently.
void SelectByNumber();

// The dialog's OK: reads one integer from `text` as scanf "%i" does (0x2 is
// hexadecimal, 010 octal) and, when it names a polygon (1 .. polygonCount),
// makes it the only selected polygon and repaints. Returns true when it did.
bool SelectNumberedPolygon(const char* text);

}  // namespace kestrel
