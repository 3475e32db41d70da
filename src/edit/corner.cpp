#include "app/buttons.h"
#include "app/report.h"
#include "edit/edits.h"
#include "store/selection.h"

namespace kestrel {

namespace {

// Corners are part of what the polygon file keeps: a change must be offered
// for saving before the program ends or another file is opened. The grids
// stay as they are and no undo record is made.
void CornersChanged() {
  modified = 1;
  UpdateButtons();
}

}  // namespace

void SetCorner(int option) {
  if (!RequireSinglePolygon("there are no polygons on which to define a corner")) return;
  const int32_t index = selectedPolygon;
  Polygon& p = PolygonAt(index);
  // The closing point counts: a closed triangle has four stored points.
  if (p.count <= 3) {
    ShowStatus("there must be at least four points in a polygon in order to select a corner");
    return;
  }
  if (option == 0) {
    for (int32_t& c : p.corners) c = 0;
    ShowStatusF(false, "the corner points for polygon %i %s have been cleared", static_cast<int>(index + 1), p.name);
    cornerMarks = 1;
    CornersChanged();
    return;
  }
  if (option < 1 || option > 4) Abort(4159, "unexpected option %i", option);
  if (selectedPoint == -1) {
    ShowStatus("you must first select a point on a single polygon");
    return;
  }
  p.corners[option - 1] = selectedPoint + 1;
  cornerMarks = 1;
  CornersChanged();
  ShowStatusF(false, "corner point %i for polygon %i %s has been set", option, static_cast<int>(index + 1), p.name);
}

}  // namespace kestrel
