#include "app/reset.h"

#include "app/report.h"
#include "edit/journal.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

void ResetProgramState() {
  ResetStore();
  ResetJournal();
  ResetView();
  SetAbortHook(nullptr);
}

}  // namespace kestrel
