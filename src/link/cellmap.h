// The cell map of step 2: the global I, J of every cell, the owner map over
// all I, J positions, and the consistency check of the linked grid.
#pragma once

#include <cstdint>

namespace kestrel {

// The value of a cell index that has not been placed yet.
constexpr int32_t kUnplaced = INT32_MIN;

struct CellMap {
  // Per polygon slot (links.slotCount of them): max(1, ni * nj) indices,
  // cell (i, j) at j * ni + i. After a link the smallest of each is 2.
  int32_t** cellI = nullptr;
  int32_t** cellJ = nullptr;
  // owner[J][I]: polygon number of the cell at (I, J), or -1 (ownerRows rows
  // of iSize entries).
  int32_t** owner = nullptr;
  int32_t ownerRows = 0;
  // Largest I + 3 and largest J + 3: two free positions on every side.
  int32_t iSize = 0;
  int32_t jSize = 0;
  // Entries of owner that are not -1.
  int32_t activeCount = 0;
};

extern CellMap cellMap;

// Builds the owner map from the normalised indices, writes cell.txt and
// cell.html, reports overlapping cells and a map without any water cell
// (a clip polygon that leaves none), and sets linksValid when neither is
// found. The last stage of LinkGrids. Returns false when it showed a Notify.
bool BuildOwnerMap();

// The check that follows the link command: rebuilds the node positions of the
// linked grid on the owner map's frame and looks for cells with missing
// corners and for orphaned cells (no active neighbour along an edge). Runs
// only right after a link command that built an owner map; otherwise it does
// nothing and returns true. A fault is reported through Notify (the program
// keeps running), leaves linksValid at 0 so that the grid cannot be filed, and
// makes the call return false.
bool CheckCellGrid();

// Step 2 as the LINK command runs it: LinkGrids, then CheckCellGrid, and on
// success a status line with the size of the cell map. Returns true when the
// grid is linked and consistent.
bool RunLinkStep();

// Registers one cell corner on node [J][I] of the check's node table. Only
// meaningful while CheckCellGrid runs; returns false after reporting a fault.
bool AddCorner(int32_t J, int32_t I, double x, double y);

// Frees the owner map (the counts keep their values).
void ReleaseOwnerMap();

}  // namespace kestrel
