#include "app/window.h"

#include <cstdio>

#include "app/dispatch.h"
#include "app/report.h"
#include "formats/cnumbers.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

const char* const kWindowTitle = "Kestrel\u00AE Version " KESTREL_VERSION;

const char* const kContactLine =
    "Kestrel " KESTREL_VERSION
    " builds EFDC grids from boundary polygons. Press F1 for the manual; send questions and "
    "problem reports to the Kestrel maintainers.";

const char* const kCornerKeysHint = " (Ctrl+1..4 or Ctrl+F1..F4: corner 1..4, Ctrl+0 or Ctrl+F5: clear corners)";

const ButtonInfo kButtons[kButtonCount] = {
    {"OPEN", kCmdOpen, "open an existing file (or press ctl-O)"},
    {"SAVE", kCmdSave, "save to file (or press ctl-S)"},
    {"UNDO", kCmdUndo, "Undo last operation (or press alt-bksp)"},
    {"SPLT", kCmdSplitPolygon, "split one polygon into two (or press alt-X)"},
    {"JOIN", kCmdJoinPolygons, "join two polygons into one (or press alt-J)"},
    {"SMTH", kCmdSmooth, "smooth polygon (or press alt-S)"},
    {"SPAC", kCmdSpace, "polygon point spacing (or press alt-E)"},
    {"FIVE", kCmdSelectByNumber, "select a polygon by number"},
    {"GRID", kCmdGrid, "grid the polygons (step 1) (or press alt-G)"},
    {"LINK", kCmdLink, "link the gridded polygons (step 2) (or press alt-K)"},
    {"CELL", kCmdViewCellMap, "view the cell map (step 3) (or press alt-M)"},
    {"FILE", kCmdFileModel, "file the linked and gridded polygons (step 4) (or press alt-I)"},
    {"ZOUT", kCmdZoomOut, "zoom out (or press PgDn)"},
    {"ZOOM", kCmdZoomIn, "zoom in (or press PgUp)"},
    {"ZALL", kCmdZoomAll, "zoom all (or press ctl-Z)"},
    {"HELP", kCmdHelp, "help (or press F1)"},
};

const char* const kBitmapLoadOrder[kButtonCount] = {"CELL", "FILE", "FIVE", "GRID", "HELP", "JOIN", "LINK", "OPEN",
                                                    "SAVE", "SMTH", "SPAC", "SPLT", "UNDO", "ZALL", "ZOOM", "ZOUT"};

WindowLayout ComputeLayout(int width, int height) {
  WindowLayout layout{};
  for (int slot = 0; slot < kButtonCount; ++slot) layout.buttons[slot] = Rect{2, 2 + 24 * slot, 24, 24};
  int plotWidth = (width - 30) / 4 * 4;
  int plotHeight = height - 30;
  if (plotWidth < 0) plotWidth = 0;
  if (plotHeight < 0) plotHeight = 0;
  layout.plot = Rect{28, 2, plotWidth, plotHeight};
  layout.status = Rect{28, height - 26, plotWidth, 24};
  return layout;
}

void HoverStatus(HoverTarget target, int slot, int x, int y) {
  const long px = static_cast<long>(static_cast<uint16_t>(x));
  const long py = static_cast<long>(static_cast<uint16_t>(y));
  switch (target) {
    case HoverTarget::Button:
      std::snprintf(statusText, sizeof statusText, "%s",
                    slot >= 0 && slot < kButtonCount ? kButtons[slot].hover : kContactLine);
      break;
    case HoverTarget::Plot:
      if (store.polygonCount < 1 || px >= view.plotWidth || py >= view.plotHeight) {
        std::snprintf(statusText, sizeof statusText, "%li:%li", px, py);
        break;
      }
      {
        int n = FormatC(statusText, sizeof statusText, "%.9G:%.9G", PixelToWorldX(static_cast<double>(px)),
                        PixelToWorldY(static_cast<double>(py)));
        if (selectedPolygon >= 0 && selectedPolygon < store.polygonCount && n > 0 &&
            static_cast<size_t>(n) < sizeof statusText) {
          n += std::snprintf(statusText + n, sizeof statusText - n, " current selection %i: %s",
                             static_cast<int>(selectedPolygon) + 1, PolygonAt(selectedPolygon).name);
          if (selectedPoint >= 0 && n > 0 && static_cast<size_t>(n) < sizeof statusText) {
            // With a point selected, the keys that make it a grid corner.
            std::snprintf(statusText + n, sizeof statusText - n, ".%li%s", static_cast<long>(selectedPoint) + 1,
                          kCornerKeysHint);
          }
        }
      }
      break;
    case HoverTarget::Other:
      std::snprintf(statusText, sizeof statusText, "%s", kContactLine);
      break;
  }
  RepaintStatus();
}

}  // namespace kestrel
