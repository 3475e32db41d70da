#include "app/buttons.h"

#include "app/frontend.h"
#include "store/store.h"

namespace kestrel {

void UpdateButtons() {
  QuerySelection();
  const bool any = store.polygonCount > 0;
  FrontEnd& ui = UI();
  ui.SetButtonEnabled(kSlotOpen, true);
  ui.SetButtonEnabled(kSlotSave, any);
  ui.SetButtonEnabled(kSlotSplit, selectedPolygon >= 0 && selectedPoint >= 0);
  ui.SetButtonEnabled(kSlotJoin, selectedCount == 2);
  ui.SetButtonEnabled(kSlotSmooth, selectedCount >= 1);
  ui.SetButtonEnabled(kSlotSpace, selectedCount >= 1);
  ui.SetButtonEnabled(kSlotFive, store.polygonCount >= 2);
  ui.SetButtonEnabled(kSlotGrid, any);
  ui.SetButtonEnabled(kSlotLink, gridsValid != 0);
  ui.SetButtonEnabled(kSlotCell, linksValid != 0 && store.polygonCount > 1);
  ui.SetButtonEnabled(kSlotFile, linksValid != 0);
  ui.SetButtonEnabled(kSlotZoomOut, any);
  ui.SetButtonEnabled(kSlotZoomIn, any);
  ui.SetButtonEnabled(kSlotZoomAll, any);
  ui.SetButtonEnabled(kSlotHelp, true);
}

void SetUndoButton(bool enabled) { UI().SetButtonEnabled(kSlotUndo, enabled); }

}  // namespace kestrel
