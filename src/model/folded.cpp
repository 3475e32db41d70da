#include "model/folded.h"

#include <cstdio>

#include "app/report.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/notice.h"
#include "store/store.h"

namespace kestrel {

bool allowFoldedCells = false;

namespace {

// Cells named per polygon before the list moves on.
constexpr int kCellsNamed = 3;

void ModelIndex(const CellQuality& q, int32_t& I, int32_t& J) {
  const int32_t at = q.j * grids.ni[q.polygon] + q.i;
  I = cellMap.cellI[q.polygon][at] + 1;
  J = cellMap.cellJ[q.polygon][at] + 1;
}

}  // namespace

std::vector<CellQuality> FoldedCells() {
  std::vector<CellQuality> folded;
  for (const CellQuality& q : MeasureGrid()) {
    if (q.folded) folded.push_back(q);
  }
  return folded;
}

bool RefuseFoldedCells(const std::vector<CellQuality>& folded) {
  if (folded.empty() || allowFoldedCells) return false;
  char line[320];
  std::snprintf(line, sizeof line,
                "The linked grid has %zu folded cell%s, which the model cannot run on;\n"
                "no model files have been written. Move a corner, add points on the\n"
                "bend, or split the polygon, then grid and link again.",
                folded.size(), folded.size() == 1 ? "" : "s");
  const std::string head = line;
  std::vector<std::string> items;
  for (size_t n = 0; n < folded.size();) {
    const int32_t k = folded[n].polygon;
    size_t end = n;
    while (end < folded.size() && folded[end].polygon == k) ++end;
    std::string item;
    std::snprintf(line, sizeof line, "\npolygon %i (%s): %zu, at", k + 1, PolygonAt(k).name, end - n);
    item = line;
    for (size_t c = n; c < end && c < n + kCellsNamed; ++c) {
      int32_t I, J;
      ModelIndex(folded[c], I, J);
      std::snprintf(line, sizeof line, "%s I %i, J %i", c == n ? "" : ";", I, J);
      item += line;
    }
    if (end - n > kCellsNamed) item += " ...";
    items.push_back(item);
    n = end;
  }
  ShowStatus("model files not written: the linked grid has folded cells");
  Notify(6470, "%s", BoundedList(head, items).c_str());
  return true;
}

void ResetFoldedCellOption() { allowFoldedCells = false; }

}  // namespace kestrel
