// CELL.P2D: the grid lines of every patch in the polygon text format, one
// polyline per line of constant i (side 1 to side 3) and then one per line of
// constant j (side 4 to side 2), without names, z values or corner marks.
#pragma once

namespace kestrel {

// The outline file's fixed name, in the working folder.
constexpr const char* kGridOutlineFile = "CELL.P2D";

// Writes every patch except the clip polygon's, replacing an earlier file.
// When the file cannot be written the user is told with its name and false
// is returned; the grids themselves stay as they are.
bool WriteGridOutlines();

}  // namespace kestrel
