// Commands: the numbers the tool buttons and the keyboard post to the main
// window, the mapping from keyboard accelerators to them, and the dispatcher
// that runs each command's operation.
#pragma once

#include <cstdint>

namespace kestrel {

enum CommandId : int {
  kCmdClearCorners = 1025,
  kCmdCorner1 = 1026,
  kCmdCorner2 = 1027,
  kCmdCorner3 = 1028,
  kCmdCorner4 = 1029,
  kCmdSetBeginning = 1030,
  kCmdViewCellMap = 1031,
  kCmdClosePolygons = 1032,
  kCmdCombinePolygons = 1033,
  kCmdCopy = 1034,
  kCmdCut = 1035,
  kCmdDeletePolygons = 1036,
  kCmdDeletePoint = 1037,
  kCmdExit = 1038,
  kCmdFileModel = 1039,
  kCmdSelectFirstPoint = 1040,
  kCmdSelectByNumber = 1041,
  kCmdGrid = 1042,
  kCmdHelp = 1043,
  kCmdInsertPoint = 1044,
  kCmdJoinPolygons = 1045,
  kCmdSelectLastPoint = 1046,
  kCmdLink = 1047,
  kCmdRename = 1048,
  kCmdSelectNextPoint = 1049,
  kCmdOpenPolygons = 1050,
  kCmdOptimize = 1051,
  kCmdPaste = 1052,
  kCmdNewPolygon = 1053,
  kCmdSelectPreviousPoint = 1054,
  kCmdUnassigned1055 = 1055,
  kCmdOpen = 1056,
  kCmdRectify = 1057,
  kCmdReversePolygons = 1058,
  kCmdSelectAll = 1059,
  kCmdSave = 1060,
  kCmdRemoveShort = 1061,
  kCmdInvertSelection = 1062,
  kCmdSmooth = 1063,
  kCmdSpace = 1064,
  kCmdSplitPolygon = 1065,
  kCmdSquare = 1066,
  kCmdUndo = 1067,
  kCmdZoomAll = 1068,
  kCmdZoomIn = 1069,
  kCmdUnassigned1070 = 1070,
  kCmdZoomOut = 1071,
  // Commands beyond the original table.
  kCmdQualityView = 1072,     // show the cells coloured by their grid quality
  kCmdExportGrid = 1073,      // write the linked grid as a GeoPackage
  kCmdLoadBathymetry = 1074,  // load survey data for the depths
  kCmdDepthView = 1075,       // show the cells coloured by their depth
  kCmdRefreshDepths = 1076,   // work out the depths the depth view waits for (no key)
  // Switch orthogonal grids on or off for step 1.
  kCmdOrthogonalMode = 1079,
  kCmdMessageLog = 1080,   // show the message log
  kCmdOpenDropped = 1081,  // open the file dropped on the window
};

// One row of the command table.
struct CommandEntry {
  int id;
  void (*run)();      // the operation, or
  int32_t (*step)();  // a point-stepping selection returning the polygon to redraw (-1: none)
  bool refresh;       // afterwards refresh the buttons and repaint the plot
  bool keepFocus;     // leave the keyboard focus where it is
};

// The command an accelerator id stands for, or 0 when it stands for none.
int AcceleratorCommand(int acceleratorId);

// The table row of a command, or nullptr when the program has no operation
// for it.
const CommandEntry* FindCommand(int commandId);

// Handles one command message: an accelerator id is turned into its command
// and posted; a command runs its operation; anything else beeps.
void DispatchCommand(int id);

// Runs only the operation of a command, as its message would, without the
// beep, the status reset or the focus. Returns false when there is none.
bool RunCommandOperation(int commandId);

// Shows the user manual; warns when it cannot be shown.
void ShowHelp();

}  // namespace kestrel
