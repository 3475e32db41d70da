#include "link/cellmap.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/buttons.h"
#include "app/report.h"
#include "grid/gridstore.h"
#include "link/cellfiles.h"
#include "link/link.h"
#include "link/notice.h"
#include "model/deckcheck.h"
#include "orthogonal/lattice.h"
#include "store/store.h"

namespace kestrel {

CellMap cellMap;

namespace {

// Set when the link command that just ran built an owner map; the check
// that follows it runs only then.
bool ownerMapFresh = false;

// Scratch table of the check: (jSize + 1) columns of (iSize + 1) nodes.
struct NodeTable {
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t** hits = nullptr;
  double** firstX = nullptr;
  double** firstY = nullptr;
  double** sumX = nullptr;
  double** sumY = nullptr;
};
NodeTable nodes;

constexpr double kUnset = 1.7976931348623157e+308;

void AllocateNodeTable(int32_t columns, int32_t rows) {
  nodes.columns = columns;
  nodes.rows = rows;
  nodes.hits = AllocArray<int32_t*>(6279, columns);
  nodes.firstX = AllocArray<double*>(6280, columns);
  nodes.firstY = AllocArray<double*>(6281, columns);
  nodes.sumX = AllocArray<double*>(6282, columns);
  nodes.sumY = AllocArray<double*>(6283, columns);
  for (int32_t c = 0; c < columns; ++c) {
    nodes.hits[c] = AllocArray<int32_t>(6286, rows);
    nodes.firstX[c] = AllocArray<double>(6287, rows);
    nodes.firstY[c] = AllocArray<double>(6288, rows);
    nodes.sumX[c] = AllocArray<double>(6289, rows);
    nodes.sumY[c] = AllocArray<double>(6290, rows);
    std::fill(nodes.firstX[c], nodes.firstX[c] + rows, kUnset);
    std::fill(nodes.firstY[c], nodes.firstY[c] + rows, kUnset);
  }
}

void FreeNodeTable() {
  for (int32_t c = 0; c < nodes.columns; ++c) {
    if (nodes.hits) FreeBlock(nodes.hits[c]);
    if (nodes.firstX) FreeBlock(nodes.firstX[c]);
    if (nodes.firstY) FreeBlock(nodes.firstY[c]);
    if (nodes.sumX) FreeBlock(nodes.sumX[c]);
    if (nodes.sumY) FreeBlock(nodes.sumY[c]);
  }
  FreeBlock(nodes.hits);
  FreeBlock(nodes.firstX);
  FreeBlock(nodes.firstY);
  FreeBlock(nodes.sumX);
  FreeBlock(nodes.sumY);
  nodes = NodeTable{};
}

// A fault of the linked grid: reported, and the grid may not be filed.
bool GridFault(int code, const char* format, int32_t a, int32_t b) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  linksValid = 0;
  ReportProblem(code, text);
  return false;
}

bool Owned(int32_t I, int32_t J) { return cellMap.owner[J][I] != -1; }

// The checks of the linked grid over the filled node table.
bool CheckNodes() {
  for (int32_t I = 0; I <= cellMap.iSize; ++I) {
    for (int32_t J = 0; J <= cellMap.jSize; ++J) {
      if ((nodes.firstX[J][I] == kUnset) != (nodes.firstY[J][I] == kUnset)) {
        return GridFault(6375, "something wrong with XY:DBL_MAX i=%i, j=%i", I, J);
      }
    }
  }
  for (int32_t I = 0; I < cellMap.iSize; ++I) {
    for (int32_t J = 0; J < cellMap.jSize; ++J) {
      if (cellMap.owner[J][I] < 0) continue;
      if (nodes.firstX[J][I] == kUnset || nodes.firstX[J][I + 1] == kUnset || nodes.firstX[J + 1][I + 1] == kUnset ||
          nodes.firstX[J + 1][I] == kUnset) {
        return GridFault(6386, "something wrong with XY:cell i=%i, j=%i", I, J);
      }
    }
  }
  for (int32_t I = 1; I <= cellMap.iSize - 2; ++I) {
    for (int32_t J = 1; J <= cellMap.jSize - 2; ++J) {
      if (cellMap.owner[J][I] < 0) continue;
      const int neighbours = Owned(I, J - 1) + Owned(I, J + 1) + Owned(I - 1, J) + Owned(I + 1, J);
      if (neighbours == 0) return GridFault(6406, "cell is orphaned i=%i, j=%i", I, J);
    }
  }
  return true;
}

// Why the map holds no water cell, and what to do about it.
std::string NoWaterText() {
  long long cells = 0;
  bool land = false;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    land = land || IsLandPolygon(k);
    if (!IsMaskPolygon(k)) cells += static_cast<long long>(grids.ni[k]) * grids.nj[k];
  }
  char text[320];
  if (clipPolygon >= 0) {
    std::snprintf(text, sizeof text,
                  "no water cells: the clip polygon (polygon %i, %s)%s leaves none\nof the %lld cells of the grid. %s",
                  clipPolygon + 1, PolygonAt(clipPolygon).name, land ? " with the land polygons" : "", cells,
                  land ? "Move the clip polygon over the grids, or shrink the land polygons."
                       : "Move it over the grids or delete it.");
  } else {
    std::snprintf(text, sizeof text,
                  "no water cells: the land polygons cover all %lld cells of the grid.\nShrink them or delete "
                  "some.",
                  cells);
  }
  return text;
}

}  // namespace

bool BuildOwnerMap() {
  const int32_t n = links.slotCount;
  int32_t largestI = 0, largestJ = 0;
  for (int32_t k = 0; k < n; ++k) {
    if (k == clipPolygon) continue;
    const int32_t cells = grids.ni[k] * grids.nj[k];
    for (int32_t c = 0; c < cells; ++c) {
      largestI = std::max(largestI, cellMap.cellI[k][c]);
      largestJ = std::max(largestJ, cellMap.cellJ[k][c]);
    }
  }
  cellMap.iSize = largestI + 3;
  cellMap.jSize = largestJ + 3;

  cellMap.owner = AllocArray<int32_t*>(6131, cellMap.jSize);
  cellMap.ownerRows = cellMap.jSize;
  int32_t* partner = AllocArray<int32_t>(6132, std::max(n, 1));
  std::fill(partner, partner + n, -1);
  for (int32_t J = 0; J < cellMap.jSize; ++J) {
    cellMap.owner[J] = AllocArray<int32_t>(6136, cellMap.iSize);
    std::fill(cellMap.owner[J], cellMap.owner[J] + cellMap.iSize, -1);
  }

  // Every cell claims its position; the first claimant keeps it. A cell
  // outside the clip polygon empties its position, whoever held it.
  int32_t overlaps = 0;
  for (int32_t k = 0; k < n; ++k) {
    if (k == clipPolygon) continue;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    for (int32_t j = 0; j < nj; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        const int32_t I = cellMap.cellI[k][j * ni + i], J = cellMap.cellJ[k][j * ni + i];
        int32_t& entry = cellMap.owner[J][I];
        if (entry == -1) {
          entry = k;
        } else {
          ++overlaps;
          partner[k] = entry;
        }
        if (!IsActiveCell(k, i, j)) entry = -1;
      }
    }
  }

  bool ok = WriteCellText();

  cellMap.activeCount = 0;
  for (int32_t J = 0; J < cellMap.jSize; ++J) {
    for (int32_t I = 0; I < cellMap.iSize; ++I) cellMap.activeCount += cellMap.owner[J][I] != -1;
  }

  ok = WriteCellHtml() && ok;

  if (overlaps > 0) {
    std::string head = "the following polygon";
    head += overlaps == 1 ? " has" : "s have";
    head += " overlapping cells\n";
    std::vector<std::string> items;
    for (int32_t k = 0; k < n; ++k) {
      if (partner[k] != -1) items.push_back(" " + std::to_string(k + 1) + "(" + std::to_string(partner[k] + 1) + ")");
    }
    ReportProblem(6239, BoundedList(head, items));
    ok = false;
  }

  // A map without a water cell is no model at all (the model stops at once):
  // a clip polygon that misses every cell, or land that covers them all.
  const bool empty = cellMap.activeCount == 0;
  if (empty) {
    ReportProblem(6240, NoWaterText());
    ok = false;
  }

  FreeBlock(partner);
  if (overlaps == 0 && !empty) linksValid = 1;
  ownerMapFresh = true;
  return ok;
}

bool AddCorner(int32_t J, int32_t I, double x, double y) {
  const bool unsetX = nodes.firstX[J][I] == kUnset, unsetY = nodes.firstY[J][I] == kUnset;
  if (unsetX != unsetY) return GridFault(6254, "max:max i=%i, j=%i", J, I);
  if (unsetX) {
    if (nodes.hits[J][I] != 0) return GridFault(6258, "grid.n i=%i, j=%i", J, I);
    nodes.hits[J][I] = 1;
    nodes.firstX[J][I] = nodes.sumX[J][I] = x;
    nodes.firstY[J][I] = nodes.sumY[J][I] = y;
  } else {
    if (nodes.hits[J][I] < 1) return GridFault(6266, "grid.n i=%i, j=%i", J, I);
    ++nodes.hits[J][I];
    nodes.sumX[J][I] += x;
    nodes.sumY[J][I] += y;
  }
  return true;
}

bool CheckCellGrid() {
  if (!ownerMapFresh) return true;
  ownerMapFresh = false;
  ResetProblemCount();

  AllocateNodeTable(cellMap.jSize + 1, cellMap.iSize + 1);
  bool ok = true;
  for (int32_t k = 0; k < links.slotCount && ok; ++k) {
    if (k == clipPolygon) continue;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    const double* x = grids.x[k];
    const double* y = grids.y[k];
    for (int32_t j = 0; j < nj && ok; ++j) {
      for (int32_t i = 0; i < ni && ok; ++i) {
        if (!IsActiveCell(k, i, j)) continue;
        const int32_t I = cellMap.cellI[k][j * ni + i], J = cellMap.cellJ[k][j * ni + i];
        const int32_t n00 = NodeIndex(ni, i, j), n10 = NodeIndex(ni, i + 1, j);
        const int32_t n11 = NodeIndex(ni, i + 1, j + 1), n01 = NodeIndex(ni, i, j + 1);
        ok = AddCorner(J, I, x[n00], y[n00]) && AddCorner(J, I + 1, x[n10], y[n10]) &&
             AddCorner(J + 1, I + 1, x[n11], y[n11]) && AddCorner(J + 1, I, x[n01], y[n01]);
      }
    }
  }
  if (ok) ok = CheckNodes();
  FreeNodeTable();
  return ok;
}

void ReleaseOwnerMap() {
  for (int32_t J = 0; J < cellMap.ownerRows; ++J) FreeBlock(cellMap.owner[J]);
  FreeBlock(cellMap.owner);
  cellMap.owner = nullptr;
  cellMap.ownerRows = 0;
  ownerMapFresh = false;
}

}  // namespace kestrel

namespace kestrel {

bool RunLinkStep() {
  const bool linked = LinkGrids();
  const bool consistent = CheckCellGrid();
  if (!linked || !consistent || linksValid != 1) return false;
  // Orthogonal patches: the linked grid is orthogonalised as one lattice.
  std::string orthogonal;
  if (!OrthogonaliseAfterLink(orthogonal)) return false;
  // The grid as the model will see it; a grid that fails cannot be filed.
  if (!DeckPasses(6411, "the linked grid fails its check, so it cannot be filed\n")) {
    linksValid = 0;
    UpdateButtons();
    return false;
  }
  int32_t patches = 0;
  for (int32_t k = 0; k < grids.patchCount; ++k) patches += IsMaskPolygon(k) ? 0 : 1;
  ShowStatusF(false, "%i %s linked: %i active cells in a map of %i by %i%s", patches,
              patches == 1 ? "polygon" : "polygons", cellMap.activeCount, cellMap.iSize, cellMap.jSize,
              (orthogonal + NearSidesNote()).c_str());
  return true;
}

}  // namespace kestrel
