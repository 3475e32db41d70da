// Step 4: the input files of the EFDC model, written from the linked grid
// into the working folder: EFDC.INP, CELL.INP and CELLLT.INP, DXDY.INP,
// LXLY.INP, CORNERS.INP and, when the folder has none, SHOW.INP; beside them
// the grid quality report QUALITY.TXT.
#pragma once

#include <cstdint>

#include "model/timestep.h"

namespace kestrel {

// The FILE command. Refuses with "polygons must first be linked" in the
// status line unless the current patches carry a valid link (linksValid; a
// link with overlapping cells or a failed grid check is not valid, and an
// edit since the link makes it stale). Then checks the linked grid as the
// model will see it (model/deckcheck.h) and writes nothing when that fails,
// naming the first failing cells in a Notify box. Otherwise writes the files
// in order and stops at the first file that cannot be created or written,
// naming it in a Notify box. Returns true when all of them were written.
bool WriteModelFiles();

// Whether the cell map in memory was built for the patches in memory and
// is valid (no overlaps, the grid check passed).
bool LinkIsCurrent();

// The single files. Each returns false after reporting a file it could not
// create or write. Card C7 of EFDC.INP carries `stepsPerPeriod` time steps in
// a reference period.
bool WriteEfdcInp(const char* title, int32_t stepsPerPeriod = kDefaultStepsPerPeriod);
bool WriteCellInp();  // CELL.INP and the identical CELLLT.INP
// With survey data loaded, each cell's depth and bottom elevation come from
// it (see depth/celldepth.h); without, every cell is 1 m deep.
bool WriteDxdyInp();
bool WriteLxlyInp();
bool WriteCornersInp();
bool WriteShowInp();  // only when the folder has no SHOW.INP
// QUALITY.TXT: cells named by model I and J when the grid is linked, by their
// place in their patch otherwise; after the grid measures the time step the
// cells allow and, with survey data loaded, how the depths were found.
bool WriteQualityFile();

// When a SHOW.INP in the working folder names a cell that is not water in
// the cell map (or names none it can read), its model I and J; false when it
// shows a water cell or there is no such file.
bool KeptShowCellIsDry(int32_t& modelI, int32_t& modelJ);

}  // namespace kestrel
