// The edit commands. Each is one command without arguments (SetCorner takes
// its option): it reads the selection and the store itself, refuses with a
// status-line message when there is nothing suitable to work on, records its
// reverse for Undo, changes the store and refreshes the display.
#pragma once

#include "store/store.h"

namespace kestrel {

// Corner points of the one selected polygon: option 0 clears all four,
// options 1 to 4 set that corner to the selected point. Records nothing for
// Undo and leaves the store unmodified.
void SetCorner(int option);

// Structural edits.
void SetBeginning();     // the selected point becomes point 0 of its closed polygon
void ClosePolygons();    // closes the selected open polygons of 3 or more points
void OpenPolygons();     // opens the selected closed polygons of 3 or more stored points
void DeletePolygons();   // deletes the selected polygons
void ReversePolygons();  // reverses the point order of the selected polygons
void SplitPolygon();     // splits the selected polygon at its selected point
void NewPolygon();       // a small closed square at the centre of the plot

// Point edits on the one selected point.
void DeletePoint();
void InsertPoint();  // halfway between the selected point and the one before it

// Join the two selected open polygons at their nearest ends; combine the
// selected open polygons whose end points meet. Combine keeps no Undo record
// and, when it merges anything, empties the journal.
void JoinPolygons();
void CombinePolygons();

// One pass of three-point smoothing; even re-spacing at a spacing the user
// gives in the "SPACING" dialog.
void SmoothPolygons();
void RespacePolygons();

// A right angle at the selected point: axis-parallel, or on the circle over
// the neighbours.
void RectifyPoint();
void SquarePoint();

// Removes points that add nothing to the selected polygons' shapes.
void OptimizePolygons();

// Renames the one selected polygon through the "RENAME" dialog.
void RenamePolygon();
// Deletes the selected polygons shorter than a length given in the "REMOVE"
// dialog (the average length of the selection proposed).
void RemoveShortPolygons();

// Re-sampling shared by smooth and re-space: the value at distance h along a
// line whose n points have cumulative lengths d and values v.
double Interpolate(const double* d, const double* v, int n, double h);

// Thinning of one polygon in place with tolerance t (optimize). The point
// array keeps its size.
void ThinOpen(Polygon& polygon, double t);
void ThinClosed(Polygon& polygon, double t);

}  // namespace kestrel
