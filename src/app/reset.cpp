#include "app/reset.h"

#include "app/report.h"
#include "edit/journal.h"
#include "grid/gridstore.h"
#include "link/link.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

void ResetProgramState() {
  ResetStore();
  ResetJournal();
  ResetView();
  ReleaseGridStore();
  ResetLinkState();
  SetAbortHook(nullptr);
}

}  // namespace kestrel
