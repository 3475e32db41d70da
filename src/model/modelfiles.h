// Step 4: the input files of the EFDC model, written from the linked grid
// into the working folder: EFDC.INP, CELL.INP, DXDY.INP, LXLY.INP and
// CORNERS.INP.
#pragma once

namespace kestrel {

// The FILE command. Refuses with "polygons must first be linked" in the
// status line unless the current patches carry a valid link (linksValid; a
// link with overlapping cells or a failed grid check is not valid). Otherwise
// writes the five files in order and stops at the first file that cannot be
// created or written, naming it in a Notify box. Returns true when all five
// files were written.
bool WriteModelFiles();

// The single files. Each returns false after reporting a file it could not
// create or write.
bool WriteEfdcInp(const char* title);
bool WriteCellInp();
bool WriteDxdyInp();
bool WriteLxlyInp();
bool WriteCornersInp();

}  // namespace kestrel
