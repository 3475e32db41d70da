// Step 4: the input files of the EFDC model, written from the linked grid
// into the working folder: EFDC.INP, CELL.INP and CELLLT.INP, DXDY.INP,
// LXLY.INP, CORNERS.INP and, when the folder has none, SHOW.INP; beside them
// the grid quality report QUALITY.TXT.
#pragma once

namespace kestrel {

// The FILE command. Refuses with "polygons must first be linked" in the
// status line unless the current patches carry a valid link (linksValid; a
// link with overlapping cells or a failed grid check is not valid), and
// refuses a grid with folded cells unless allowFoldedCells (model/folded.h)
// is set. Otherwise writes the files in order and stops at the first file
// that cannot be created or written, naming it in a Notify box. Returns true
// when all of them files were written.
bool WriteModelFiles();

// Whether the cell map in memory was built for the patches in memory and
// is valid (no overlaps, the grid check passed).
bool LinkIsCurrent();

// The single files. Each returns false after reporting a file it could not
// create or write.
bool WriteEfdcInp(const char* title);
bool WriteCellInp();  // CELL.INP and the identical CELLLT.INP
bool WriteDxdyInp();
bool WriteLxlyInp();
bool WriteCornersInp();
bool WriteShowInp();  // only when the folder has no SHOW.INP
// QUALITY.TXT: cells named by model I and J when the grid is linked, by their
// place in their patch otherwise.
bool WriteQualityFile();

}  // namespace kestrel
