#include "app/reset.h"

#include "app/report.h"
#include "edit/dialogs.h"
#include "edit/journal.h"
#include "formats/georef.h"
#include "grid/gridstore.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

void ResetProgramState() {
  ResetStore();
  ResetJournal();
  ResetEditState();
  ResetView();
  ReleaseGridStore();
  referenceSystem.clear();
  SetAbortHook(nullptr);
  SetBlockLimit(kMaxBlockBytes);
}

}  // namespace kestrel
