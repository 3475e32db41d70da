// The refusal of step 4 to file a linked grid with folded cells: a cell
// with a corner of 180 degrees or more, or with no positive area, makes the
// model fail as soon as water moves through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "grid/quality.h"

namespace kestrel {

// Files folded cells anyway (kestrel-grid --allow-folded). Off at start-up.
extern bool allowFoldedCells;

// The folded cells of the linked grid: its active cells that are folded, in
// polygon, row, column order.
std::vector<CellQuality> FoldedCells();

// Shows why a grid with these folded cells cannot be filed (a Notify box
// naming each polygon with its count and first cells, and what to do) and
// returns true, unless there are none or allowFoldedCells is set.
bool RefuseFoldedCells(const std::vector<CellQuality>& folded);

// Puts allowFoldedCells back to its start-up value.
void ResetFoldedCellOption();

}  // namespace kestrel
