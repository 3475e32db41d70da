#include "app/dispatch.h"

#include <string>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/messagelog.h"
#include "app/report.h"
#include "depth/bathymetry.h"
#include "depth/celldepth.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "formats/clipboard.h"
#include "formats/filecmds.h"
#include "formats/gisexport.h"
#include "grid/driver.h"
#include "link/cellfiles.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "store/selection.h"
#include "store/store.h"
#include "view/depthview.h"
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
    // Keys of our own: the corner commands, which had none (Ctrl+F1 to
    // Ctrl+F4 set corners 1 to 4 at the selected point, Ctrl+F5 clears the
    // polygon's corners), the quality view (Ctrl+G) and the GIS export
    // (Ctrl+E).
    {3968, kCmdCorner1},
    {3969, kCmdCorner2},
    {3970, kCmdCorner3},
    {3971, kCmdCorner4},
    {3972, kCmdClearCorners},
    {3942, kCmdQualityView},
    {3940, kCmdExportGrid},
    // Survey data for the depths (Ctrl+B) and the depth view (Ctrl+D).
    {3937, kCmdLoadBathymetry},
    {3939, kCmdDepthView},
    // The corner commands again on Ctrl+1 to Ctrl+4 and Ctrl+0, which no
    // desktop takes (several switch workspaces on Ctrl+F1 to Ctrl+F4), and
    // the message log on Ctrl+L.
    {4033, kCmdCorner1},
    {4034, kCmdCorner2},
    {4035, kCmdCorner3},
    {4036, kCmdCorner4},
    {4032, kCmdClearCorners},
    {3947, kCmdMessageLog},
    // The original numbers of the corner commands.
    {3898, kCmdClearCorners},
    {3899, kCmdCorner1},
    {3900, kCmdCorner2},
    {3901, kCmdCorner3},
    {3902, kCmdCorner4},
};

// The operations of commands that take an argument or combine two steps.
void ClearCorners();
void Corner1();
void Corner2();
void Corner3();
void Corner4();
void LinkCommand();
void FileModelCommand();
void DepthsForTheView();
void LoadBathymetryCommand();
void RefreshDepths();

constexpr CommandEntry Run(int id, void (*operation)()) { return CommandEntry{id, operation, nullptr, false, false}; }
// For commands that change the selection or the file state without redrawing.
constexpr CommandEntry RunThenRefresh(int id, void (*operation)()) {
  return CommandEntry{id, operation, nullptr, true, false};
}
// For the point-stepping selections: the one polygon is redrawn in place.
constexpr CommandEntry StepPoint(int id, int32_t (*operation)()) {
  return CommandEntry{id, nullptr, operation, false, false};
}
constexpr CommandEntry RunKeepingFocus(int id, void (*operation)()) {
  return CommandEntry{id, operation, nullptr, false, true};
}

void ClearCorners() { SetCorner(0); }
void Corner1() { SetCorner(1); }
void Corner2() { SetCorner(2); }
void Corner3() { SetCorner(3); }
void Corner4() { SetCorner(4); }

// Step 2: the link, then the check of the linked grid.
void LinkCommand() { RunLinkStep(); }

void FileModelCommand() { WriteModelFiles(); }

// Works out the depths for the depth view, leaving the status line as it
// was (the work shows its progress there).
void DepthsForTheView() {
  if (!depthView || !DepthsPending()) return;
  const std::string before = statusText;
  if (CurrentDepths()) {
    ShowStatus(before.c_str());
  } else {
    ShowStatusF(false, "depth view: no depths for the grid (%s)", DepthProblem().c_str());
  }
}

// The depth view shows the new depths at once.
void LoadBathymetryCommand() {
  LoadBathymetry();
  DepthsForTheView();
  UI().RepaintPlot();
}

// Posted by the plot when the depth view waits for depths: works them out
// (reporting a failure once) and paints them.
void RefreshDepths() {
  if (!depthView || !DepthsPending()) return;
  DepthsForTheView();
  UI().RepaintPlot();
}

// Every command the program can run, one row each. A command missing here
// beeps.
// clang-format off
constexpr CommandEntry kCommands[] = {
    Run(kCmdClearCorners, ClearCorners),
    Run(kCmdCorner1, Corner1),
    Run(kCmdCorner2, Corner2),
    Run(kCmdCorner3, Corner3),
    Run(kCmdCorner4, Corner4),
    Run(kCmdSetBeginning, SetBeginning),
    Run(kCmdViewCellMap, ViewCellMap),
    Run(kCmdClosePolygons, ClosePolygons),
    Run(kCmdCombinePolygons, CombinePolygons),
    Run(kCmdCopy, CopyPolygons),
    Run(kCmdCut, CutPolygons),
    Run(kCmdDeletePolygons, DeletePolygons),
    Run(kCmdDeletePoint, DeletePoint),
    Run(kCmdExit, ExitCommand),
    Run(kCmdFileModel, FileModelCommand),
    StepPoint(kCmdSelectFirstPoint, SelectFirstPoint),
    Run(kCmdSelectByNumber, SelectByNumber),
    Run(kCmdGrid, GenerateGrids),
    RunKeepingFocus(kCmdHelp, ShowHelp),
    Run(kCmdInsertPoint, InsertPoint),
    Run(kCmdJoinPolygons, JoinPolygons),
    StepPoint(kCmdSelectLastPoint, SelectLastPoint),
    Run(kCmdLink, LinkCommand),
    Run(kCmdRename, RenamePolygon),
    StepPoint(kCmdSelectNextPoint, SelectNextPoint),
    Run(kCmdOpenPolygons, OpenPolygons),
    Run(kCmdOptimize, OptimizePolygons),
    Run(kCmdPaste, PastePolygons),
    Run(kCmdNewPolygon, NewPolygon),
    StepPoint(kCmdSelectPreviousPoint, SelectPreviousPoint),
    Run(kCmdOpen, OpenCommand),
    Run(kCmdRectify, RectifyPoint),
    Run(kCmdReversePolygons, ReversePolygons),
    RunThenRefresh(kCmdSelectAll, SelectAll),
    Run(kCmdSave, SaveCommand),
    Run(kCmdRemoveShort, RemoveShortPolygons),
    RunThenRefresh(kCmdInvertSelection, InvertSelection),
    Run(kCmdSmooth, SmoothPolygons),
    Run(kCmdSpace, RespacePolygons),
    Run(kCmdSplitPolygon, SplitPolygon),
    Run(kCmdSquare, SquarePoint),
    Run(kCmdUndo, UndoLast),
    Run(kCmdZoomAll, ZoomAll),
    Run(kCmdZoomIn, ZoomIn),
    Run(kCmdZoomOut, ZoomOut),
    Run(kCmdQualityView, ToggleQualityView),
    Run(kCmdExportGrid, ExportGrid),
    Run(kCmdLoadBathymetry, LoadBathymetryCommand),
    Run(kCmdDepthView, ToggleDepthView),
    RunKeepingFocus(kCmdRefreshDepths, RefreshDepths),
    Run(kCmdMessageLog, ShowMessageLog),
    Run(kCmdOpenDropped, OpenDroppedFile),
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
