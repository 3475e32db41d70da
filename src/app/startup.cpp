#include "app/startup.h"

#include <cstring>

#include "app/commands.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/journal.h"
#include "formats/filecmds.h"
#include "formats/layers.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

StartMode StartFromArguments(int argc, const char* const* argv) {
  if (argc < 2) {
    UI().PostCommand(kCmdOpen);
    return StartMode::Interactive;
  }
  if (argc > 2) {
    // The capture runs unattended: every layer is read, units as they are.
    readChoices.askLayers = false;
    readChoices.units = UnitChoice::Keep;
  }
  StartWithFile(argv[1]);
  return argc > 2 ? StartMode::Capture : StartMode::Batch;
}

void StartWithFile(const char* name) {
  const std::size_t length = std::strlen(name);
  if (length >= sizeof fileName) {
    // Cutting the name would read some other file.
    Notify(2992, "input file name is too long:\n%.200s...", name);
  } else {
    std::memcpy(fileName, name, length + 1);
    ReadInputFile();
    needFileName = 0;
  }
  BoundAll();
  ComputeExtents();
  ZoomAll();
  ClearJournal();
  RunCommandOperation(kCmdGrid);
}

}  // namespace kestrel
