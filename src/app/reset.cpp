#include "app/reset.h"

#include "app/messagelog.h"
#include "app/report.h"
#include "depth/bathymetry.h"
#include "edit/dialogs.h"
#include "edit/journal.h"
#include "formats/georef.h"
#include "formats/input.h"
#include "formats/layers.h"
#include "grid/gridstore.h"
#include "grid/stop.h"
#include "grid/workers.h"
#include "link/link.h"
#include "model/deckcheck.h"
#include "store/store.h"
#include "view/mouse.h"
#include "view/view.h"

namespace kestrel {

void ResetProgramState() {
  ResetStore();
  ResetJournal();
  ResetEditState();
  ResetView();
  ResetMouse();
  ReleaseGridStore();
  ResetGridThreads();
  ResetStopState();
  referenceSystem.clear();
  inputFileName.clear();
  ResetReadChoices();
  ResetLinkState();
  ResetDeckCheck();
  ResetBathymetry();
  SetAbortHook(nullptr);
  SetCancelHooks(nullptr, nullptr);
  SetBlockLimit(kMaxBlockBytes);
  ResetMessageLog();
}

}  // namespace kestrel
