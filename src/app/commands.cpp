#include "app/commands.h"

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/journal.h"
#include "formats/filecmds.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

namespace {

struct AcceleratorCommandPair {
  int accelerator;
  int command;
};

// The keys that lead to commands. Every other accelerator id beeps.
constexpr AcceleratorCommandPair kAcceleratorCommands[] = {
    {3873, kCmdSetBeginning},
    {3884, kCmdViewCellMap},
    {3874, kCmdClosePolygons},
    {3945, kCmdCombinePolygons},
    {3938, kCmdCopy},
    {3959, kCmdCut},
    {3875, kCmdDeletePolygons},
    {3857, kCmdDeletePoint},
    {3907, kCmdExit},
    {3880, kCmdFileModel},
    {3877, kCmdSelectFirstPoint},
    {3878, kCmdGrid},
    {3840, kCmdHelp},
    {3862, kCmdInsertPoint},
    {3881, kCmdJoinPolygons},
    {3883, kCmdSelectLastPoint},
    {3882, kCmdLink},
    {3889, kCmdRename},
    {3885, kCmdSelectNextPoint},
    {3886, kCmdOpenPolygons},
    {3897, kCmdOptimize},
    {3957, kCmdPaste},
    {3949, kCmdNewPolygon},
    {3887, kCmdSelectPreviousPoint},
    {3950, kCmdOpen},
    {3888, kCmdRectify},
    {3893, kCmdReversePolygons},
    {3936, kCmdSelectAll},
    {3954, kCmdSave},
    {3891, kCmdRemoveShort},
    {3872, kCmdInvertSelection},
    {3890, kCmdSmooth},
    {3876, kCmdSpace},
    {3895, kCmdSplitPolygon},
    {3952, kCmdSquare},
    {3920, kCmdUndo},
    {3961, kCmdZoomAll},
    {3865, kCmdZoomIn},
    {3864, kCmdZoomOut},
    // No key produces these; the corner commands are posted by their number.
    {3898, kCmdClearCorners},
    {3899, kCmdCorner1},
    {3900, kCmdCorner2},
    {3901, kCmdCorner3},
    {3902, kCmdCorner4},
};

constexpr CommandEntry Run(int id, void (*operation)()) { return CommandEntry{id, operation, nullptr, false, false}; }
// For commands that change the selection or the file state without redrawing.
[[maybe_unused]] constexpr CommandEntry RunThenRefresh(int id, void (*operation)()) {
  return CommandEntry{id, operation, nullptr, true, false};
}
// For the point-stepping selections: the one polygon is redrawn in place.
[[maybe_unused]] constexpr CommandEntry StepPoint(int id, int32_t (*operation)()) {
  return CommandEntry{id, nullptr, operation, false, false};
}
constexpr CommandEntry RunKeepingFocus(int id, void (*operation)()) {
  return CommandEntry{id, operation, nullptr, false, true};
}

// Every command the program can run, one row each. A command missing here
// beeps.
// clang-format off
constexpr CommandEntry kCommands[] = {
    Run(kCmdExit, ExitCommand),
    RunKeepingFocus(kCmdHelp, ShowHelp),
    Run(kCmdOpen, OpenCommand),
    Run(kCmdSave, SaveCommand),
    Run(kCmdUndo, UndoLast),
    Run(kCmdZoomAll, ZoomAll),
    Run(kCmdZoomIn, ZoomIn),
    Run(kCmdZoomOut, ZoomOut),
};
// clang-format on

}  // namespace

int AcceleratorCommand(int acceleratorId) {
  for (const AcceleratorCommandPair& pair : kAcceleratorCommands) {
    if (pair.accelerator == acceleratorId) return pair.command;
  }
  return 0;
}

const CommandEntry* FindCommand(int commandId) {
  for (const CommandEntry& entry : kCommands) {
    if (entry.id == commandId) return &entry;
  }
  return nullptr;
}

void DispatchCommand(int id) {
  if (const int command = AcceleratorCommand(id)) {
    // A key: the old message goes at once, the command runs when its
    // message arrives.
    statusText[0] = '\0';
    RepaintStatus();
    UI().PostCommand(command);
    UI().FocusMainWindow();
    return;
  }
  const CommandEntry* entry = FindCommand(id);
  if (!entry) {
    UI().Beep();
    UI().FocusMainWindow();
    return;
  }
  if (entry->step) {
    const int32_t polygon = entry->step();
    if (polygon != -1) {
      UpdateButtons();
      UI().ErasePolygon(polygon);
      UI().DrawPolygon(polygon);
    }
  } else {
    entry->run();
  }
  if (entry->refresh) {
    UpdateButtons();
    UI().RepaintPlot();
  }
  if (!entry->keepFocus) UI().FocusMainWindow();
}

bool RunCommandOperation(int commandId) {
  const CommandEntry* entry = FindCommand(commandId);
  if (!entry) return false;
  if (entry->step) {
    entry->step();
  } else {
    entry->run();
  }
  return true;
}

void ShowHelp() {
  if (!UI().StartHelp()) UI().ShowWarning("Leafview Launch Failure", "Can't display help information.");
}

}  // namespace kestrel
